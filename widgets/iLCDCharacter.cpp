#include "widgets/iLCDCharacter.h"

#include "base/ErrorReport.h"

#include <QFile>
#include <QStringList>

// The glyph tables are resources of this library; a static library's resources must be registered by name.
static void initWidgetResources() { Q_INIT_RESOURCE(widgets); }

namespace {

constexpr quint32 kMaxRowValue = 0x7FFFFFFF;

bool parseRowValue(const QString& item, quint32* value) {
    if (item.isEmpty() || item.size() > 10)
        return false;
    quint64 v = 0;
    for (QChar c : item) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        v = v * 10 + quint64(c.unicode() - '0');
    }
    if (v > kMaxRowValue)
        return false;
    *value = quint32(v);
    return true;
}

QByteArray readResource(const QString& path) {
    initWidgetResources();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("The character set %1 is missing").arg(path));
    return f.readAll();
}

} // namespace

TiLCDCharacter::TiLCDCharacter(int height) : rows_(size_t(height > 0 ? height : 7), 0) {}

void TiLCDCharacter::SetHeight(int rows) {
    if (rows > 0)
        rows_.resize(size_t(rows), 0);
}

void TiLCDCharacter::SetRow(int i, quint32 value) {
    if (i >= 0 && i < Height())
        rows_[size_t(i)] = value;
}

bool TiLCDCharacter::Cell(int col, int row, int width) const {
    const int bit = width - 1 - col;
    if (bit < 0 || bit > 31 || col < 0)
        return false;
    return (Row(row) >> bit) & 1u;
}

QString TiLCDCharacter::Data() const {
    QStringList parts;
    for (quint32 r : rows_)
        parts << QString::number(r);
    return parts.join(QLatin1Char(','));
}

std::vector<quint32> TiLCDCharacter::ParseData(const QString& text) {
    std::vector<quint32> values;
    if (text.trimmed().isEmpty())
        return values;
    const QStringList items = text.split(QLatin1Char(','));
    values.reserve(size_t(items.size()));
    for (const QString& raw : items) {
        quint32 v = 0;
        const QString item = raw.trimmed();
        if (!parseRowValue(item, &v))
            throw Error(QStringLiteral("\"%1\" is not a glyph row value (0 to %2)")
                            .arg(item.left(20))
                            .arg(kMaxRowValue));
        values.push_back(v);
    }
    return values;
}

void TiLCDCharacter::setData(const QString& text) {
    const std::vector<quint32> values = ParseData(text);
    for (size_t i = 0; i < values.size() && i < rows_.size(); ++i)
        rows_[i] = values[i];
}

namespace lcdcharset {

std::vector<TiLCDGlyphEntry> Parse(const QByteArray& text) {
    std::vector<TiLCDGlyphEntry> entries;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromLatin1(lines[n]).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        auto fault = [&](const QString& what) {
            return Error(QStringLiteral("Character set line %1: %2").arg(n + 1).arg(what));
        };
        // The first white space ends the code; a plain scan, since a pattern compiled per line made the
        // boards' character sets the largest part of the program's start-up.
        qsizetype gap = -1;
        for (qsizetype i = 0; i < line.size(); ++i)
            if (line[i].isSpace()) {
                gap = i;
                break;
            }
        const QString codeText = gap < 0 ? line : line.left(gap);
        bool ok = false;
        const int code = codeText.toInt(&ok);
        if (!ok || code < 0 || code > 255)
            throw fault(QStringLiteral("\"%1\" is not a character code (0 to 255)").arg(codeText.left(20)));
        TiLCDGlyphEntry e;
        e.code = code;
        e.data = gap < 0 ? QString() : line.mid(gap).trimmed();
        try {
            TiLCDCharacter::ParseData(e.data);
        } catch (const Error& err) {
            throw fault(err.message());
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

// Read once: every LCD asks for them when it is made.
QByteArray BuiltinText() {
    static const QByteArray text = readResource(QStringLiteral(":/widgets/lcd_builtin.txt"));
    return text;
}
QByteArray BoardsText() {
    static const QByteArray text = readResource(QStringLiteral(":/widgets/lcd_boards.txt"));
    return text;
}

} // namespace lcdcharset
