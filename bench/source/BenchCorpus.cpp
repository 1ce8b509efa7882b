#include "BenchCorpus.h"

#include "base/Gbk.h"

#include <QDirIterator>
#include <QFile>
#include <QStringList>

namespace {

// Line patterns of the lab sources; %1 a label, %2 a number, %3 a register.
const char* const kPatterns[] = {
    "; ************ 实验%2 数据传送与运算 ************",
    "DATA    SEGMENT",
    "BUF     DB      %2H, 20H, 'HELLO', 0DH, 0AH, '$'",
    "TABLE   DW      0%2H, 1234H, 0FFFFH        ; 数码管段码表",
    "CODE    SEGMENT",
    "        ASSUME  CS:CODE, DS:DATA",
    "START:  MOV     AX, DATA        ; 初始化数据段",
    "        MOV     DS, AX",
    "        MOV     DX, 0%2H         ; 8255 控制口地址",
    "%1:     IN      AL, DX",
    "        CMP     AL, 0FFH",
    "        JNZ     %1",
    "        OUT     DX, AL          ; 输出到 LED",
    "        PUSH    %3",
    "        POP     %3",
    "        LOOP    %1",
    "        CALL    DELAY",
    "DELAY   PROC    NEAR",
    "        MOV     CX, %2          ; 延时常数",
    "        RET",
    "DELAY   ENDP",
    "        ORG     0000H",
    "        LJMP    MAIN",
    "MAIN:   MOV     SP, #60H",
    "        MOV     A, #%2H         ; 立即数送累加器",
    "        MOV     DPTR, #0FF2BH",
    "        MOVX    @DPTR, A",
    "%1:     DJNZ    R7, %1",
    "        SETB    P1.0",
    "        JB      P3.2, $",
    "        ACALL   DISP            ; 调用显示子程序",
    "        INT     21H",
    "        SHL     %3, 1",
    "        XOR     %3, %3",
    "",
    "        END     START",
};

const char* const kRegisters[] = {"AX", "BX", "CX", "DX", "SI", "DI", "BP", "R0", "R7", "A"};

QList<QByteArray> encodedPatterns() {
    QList<QByteArray> out;
    for (const char* p : kPatterns)
        out << gbk::encode(QString::fromUtf8(p));
    return out;
}

} // namespace

namespace benchcorpus {

QByteArray generated(int lines) {
    static const QList<QByteArray> patterns = encodedPatterns();
    QByteArray out;
    out.reserve(qsizetype(lines) * 40);
    quint32 seed = 12345;
    for (int i = 0; i < lines; ++i) {
        seed = seed * 1103515245u + 12345u;
        QByteArray line = patterns[int((seed >> 16) % patterns.size())];
        line.replace("%1", "L" + QByteArray::number(i % 97));
        line.replace("%2", QByteArray::number((seed >> 8) % 256, 16).toUpper());
        line.replace("%3", kRegisters[(seed >> 4) % 10]);
        out += line;
        out += "\r\n";
    }
    return out;
}

QByteArray corpus(qsizetype minBytes) {
    QByteArray out;
    QStringList files;
    QDirIterator it(QStringLiteral(LABGUIDE_SOURCE_DIR "/data/asm"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString& f : files) {
        if (f.endsWith(QLatin1String(".keep")))
            continue;
        QFile file(f);
        if (file.open(QIODevice::ReadOnly))
            out += file.readAll() + "\r\n";
    }
    if (out.size() < minBytes)
        out += generated(int((minBytes - out.size()) / 30) + 1);
    return out;
}

} // namespace benchcorpus
