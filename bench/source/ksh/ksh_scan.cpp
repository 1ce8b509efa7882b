// Scans a source file's lines with KSyntaxHighlighting's x86 assembly definition and prints the throughput in
// the file's bytes per second. Usage: ksh_scan FILE [DEFINITION]
#include <KSyntaxHighlighting/AbstractHighlighter>
#include <KSyntaxHighlighting/Definition>
#include <KSyntaxHighlighting/Format>
#include <KSyntaxHighlighting/Repository>
#include <KSyntaxHighlighting/State>
#include <ksyntaxhighlighting_version.h>

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <QTextCodec>

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

class Counter : public KSyntaxHighlighting::AbstractHighlighter {
public:
    long tokens = 0;
    KSyntaxHighlighting::State line(QStringView text, const KSyntaxHighlighting::State& state) {
        return highlightLine(text, state);
    }

protected:
    void applyFormat(int, int, const KSyntaxHighlighting::Format&) override { ++tokens; }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: ksh_scan FILE [DEFINITION]\n");
        return 2;
    }
    QFile f(QString::fromLocal8Bit(argv[1]));
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const QByteArray bytes = f.readAll();
    // Its natural input: the text decoded, one QString a line.
    const QString text = QTextCodec::codecForName("GBK")->toUnicode(bytes);
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    KSyntaxHighlighting::Repository repo;
    const QString wanted = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("Intel x86 (NASM)");
    const KSyntaxHighlighting::Definition def = repo.definitionForName(wanted);
    if (!def.isValid()) {
        std::fprintf(stderr, "no definition \"%s\"; assembly definitions:\n", qPrintable(wanted));
        for (const auto& d : repo.definitions())
            if (d.section() == QLatin1String("Assembler"))
                std::fprintf(stderr, "  %s\n", qPrintable(d.name()));
        return 2;
    }
    Counter counter;
    counter.setDefinition(def);
    long passes = 0;
    // Processor time of this thread, so that other work on the machine does not count against either side.
    const double t0 = cpuSeconds();
    while (cpuSeconds() - t0 < 2.0) {
        KSyntaxHighlighting::State state;
        for (const QString& l : qAsConst(lines))
            state = counter.line(l, state);
        ++passes;
    }
    const double seconds = cpuSeconds() - t0;
    std::printf("KSyntaxHighlighting %s (\"%s\"): %.1f MB/s (%ld passes over %lld bytes, %d lines, %ld tokens a pass)\n",
                SyntaxHighlighting_VERSION_STRING, qPrintable(def.name()),
                double(bytes.size()) * double(passes) / seconds / 1e6, passes, static_cast<long long>(bytes.size()),
                int(lines.size()), counter.tokens / passes);
    return 0;
}
