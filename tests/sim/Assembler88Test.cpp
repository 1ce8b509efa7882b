// The MASM subset of the 8088 sources, translated for nasm: each construct the lab sources use gives the
// bytes nasm gives for the same program written in its own syntax (the reference), errors come back in
// Chinese on the source's lines, and a program of several segments gets its segment values.
#include "sim/Assembler.h"
#include "sim/Assembler88.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sim;

namespace {

#define NEED_NASM()                                                                                             \
    if (!nasmAvailable())                                                                                       \
    GTEST_SKIP() << "nasm is not installed"

// nasm's own output for a program in its own syntax.
QByteArray nasmBytes(const QByteArray& text) {
    QTemporaryDir dir;
    QFile f(dir.filePath("ref.asm"));
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write(text);
    f.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start("nasm", {"-f", "bin", "-o", "ref.bin", "ref.asm"});
    p.waitForFinished();
    QFile out(dir.filePath("ref.bin"));
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}

QByteArray crlf(const char* text) { return QByteArray(text).replace("\n", "\r\n"); }

std::string allErrors(const AsmResult& r) {
    std::string s;
    for (const AsmError& e : r.errors)
        s += e.message.toStdString() + "\n";
    return s;
}

} // namespace

TEST(Assembler88, EachConstructAssemblesAsNasmsOwnSyntaxDoes) {
    NEED_NASM();
    const AsmResult r = assembleFor(2, crlf(
        "PORT    EQU   0FF28H          ; EQU\n"
        "CODE    SEGMENT\n"
        "        ASSUME CS:CODE,DS:CODE\n"
        "        ORG   2000H\n"
        "START:  MOV   AX,CS\n"
        "        MOV   DX,PORT\n"
        "        MOV   WORD PTR DS:[0BH*4],OFFSET IRQ\n"
        "        MOV   WORD PTR ES:[BX+2],CS\n"
        "        MOV   SI,OFFSET NUM+3\n"
        "        MOV   AL,NUM+1\n"
        "        INC   COUNT\n"
        "        MOV   count,5\n"
        "        MOV   AH,[SI+1]\n"
        "        MOV   AX,TABLE[BX]\n"
        "        ADD   DL,'0'\n"
        "        JMP   SHORT REL\n"
        "REL:    CALL  IRQ\n"
        "        CALL  SUB1\n"
        "        LOOP  REL\n"
        "        XLAT\n"
        "        RET\n"
        "SUB1    PROC  NEAR\n"
        "        RET\n"
        "SUB1    ENDP\n"
        "IRQ     PROC  FAR\n"
        "        RET\n"
        "IRQ     ENDP\n"
        "COUNT   DB    0\n"
        "NUM     DB    '0000',0\n"
        "TABLE   DW    1,2,3\n"
        "        DB    2 DUP (7)\n"
        "ENDL    LABEL WORD\n"
        "CODE    ENDS\n"
        "        END   START\n"));
    ASSERT_TRUE(r.ok()) << allErrors(r);
    const QByteArray reference = nasmBytes(
        "bits 16\norg 2000h\n"
        "start: mov ax,cs\n mov dx,0ff28h\n mov word [2ch],irq\n mov word [es:bx+2],cs\n mov si,num+3\n"
        " mov al,[num+1]\n inc byte [count]\n mov byte [count],5\n mov ah,[si+1]\n mov ax,[table+bx]\n"
        " add dl,'0'\n jmp short $rel\n$rel: call 0:irq\n call sub1\n loop $rel\n xlatb\n ret\n"
        "sub1: ret\nirq: retf\ncount: db 0\nnum: db '0000',0\ntable: dw 1,2,3\n db 7,7\n");
    ASSERT_FALSE(reference.isEmpty());
    ASSERT_EQ(r.image.size(), 0x2000u + std::size_t(reference.size()));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(r.image.data()) + 0x2000, reference.size()).toHex(' '),
              reference.toHex(' '));
    EXPECT_EQ(r.entrySegment, 0);
    EXPECT_EQ(r.entryOffset, 0x2000);
    EXPECT_EQ(r.lineAt.at(0x2000), 5);
    EXPECT_EQ(r.addressOf.at(6), 0x2002u);
    EXPECT_FALSE(r.used[0x1FFF]) << "ORG's gap is no code";
    EXPECT_TRUE(r.used[0x2000]);
}

TEST(Assembler88, ErrorsComeOnTheSourcesLinesInChinese) {
    NEED_NASM();
    const AsmResult unsupported = assemble88(crlf("CODE SEGMENT\n ORG 2000H\nSTART: NOP\n\n\n\n\nS STRUC\n PUSHA\n"
                                                  " FOO AX\nCODE ENDS\n END START\n"));
    ASSERT_EQ(unsupported.errors.size(), 3u) << allErrors(unsupported);
    EXPECT_EQ(unsupported.errors[0].message, QStringLiteral("第8行：不支持的伪指令 STRUC"));
    EXPECT_EQ(unsupported.errors[1].line, 9);
    EXPECT_EQ(unsupported.errors[2].message, QStringLiteral("第10行：未知的指令 FOO"));

    const AsmResult undefined = assemble88(crlf("CODE SEGMENT\nSTART: MOV AX,1\n JMP NOWHERE\nCODE ENDS\n END START\n"));
    ASSERT_EQ(undefined.errors.size(), 1u) << allErrors(undefined);
    EXPECT_EQ(undefined.errors[0].message, QStringLiteral("第3行：未定义的符号 NOWHERE"));

    // nasm's English never reaches the user: each of its messages here comes back worded in Chinese.
    for (const char* bad : {"MOV AX,[CX]", "MOV AL,300", "LOOP FAR1\n DB 200 DUP (0)\nFAR1: NOP", "MOV AX,BL",
                            "MOV AX,'ABC"}) {
        const AsmResult r = assemble88(crlf((std::string("CODE SEGMENT\nSTART: ") + bad + "\nCODE ENDS\n END START\n").c_str()));
        ASSERT_FALSE(r.ok()) << bad;
        EXPECT_EQ(r.errors[0].line, 2) << bad;
        EXPECT_TRUE(r.errors[0].message.startsWith(QStringLiteral("第2行："))) << bad;
        static const QRegularExpression english(
            "error|warning|symbol|operand|invalid|expect|expression|range|bounds|string|parser|size",
            QRegularExpression::CaseInsensitiveOption);
        EXPECT_FALSE(r.errors[0].message.contains(english)) << bad << ": " << r.errors[0].message.toStdString();
    }
}

TEST(Assembler88, SegmentsLieOnParagraphsAndTheirNamesAreTheirValues) {
    NEED_NASM();
    const AsmResult r = assemble88(crlf("DATA SEGMENT\nMSG  DB 'HI'\nN    DW 1234H\nDATA ENDS\n"
                                        "CODE SEGMENT\n ASSUME CS:CODE,DS:DATA\nSTART: MOV AX,DATA\n MOV DS,AX\n"
                                        " MOV AX,N\n MOV BX,SEG N\n JMP START\nCODE ENDS\n END START\n"));
    ASSERT_TRUE(r.ok()) << allErrors(r);
    ASSERT_EQ(r.entrySegment, 1); // DATA's four bytes take paragraph 0, CODE starts at the next
    EXPECT_EQ(r.entryOffset, 0);
    const std::size_t code = 16;
    ASSERT_GT(r.image.size(), code + 8);
    EXPECT_EQ(r.image[code], 0xB8); // MOV AX,DATA: B8 0000
    EXPECT_EQ(r.image[code + 1] | r.image[code + 2] << 8, 0);
    EXPECT_EQ(r.image[0], 'H');
    EXPECT_EQ(r.image[2] | r.image[3] << 8, 0x1234);
    EXPECT_EQ(r.image[code + 5], 0xA1); // MOV AX,[N]: A1 0200, N at offset 2 of DATA
    EXPECT_EQ(r.image[code + 6] | r.image[code + 7] << 8, 2);
    EXPECT_EQ(r.lineAt.at(0x10), 7);
}

TEST(Assembler88, WithoutNasmTheTypeCannotBeAssembledAndSaysWhy) {
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    QString why;
    const bool can = canAssemble(2, &why);
    const AsmResult r = assembleFor(2, "NOP\r\n");
    qputenv("PATH", path);
    EXPECT_FALSE(can);
    EXPECT_TRUE(why.contains(QStringLiteral("nasm"))) << why.toStdString();
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_TRUE(r.errors[0].message.contains(QStringLiteral("nasm")));
    EXPECT_TRUE(canAssemble(1));
}
