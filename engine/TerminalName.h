#pragma once
// How the drawing names a terminal: "SHP_" and the terminal's name, as the wiring texts, the circuit files
// and the box print it (the wiring compares without letter case).
#include <QByteArray>
#include <QString>

namespace terminalname {

inline constexpr char kPrefix[] = "SHP_";
inline constexpr qsizetype kPrefixLength = sizeof(kPrefix) - 1;

// Whether a component name is a terminal's (the prefix, in any letter case, and a name after it).
inline bool isTerminal(const QString& component) {
    return component.size() > kPrefixLength &&
           component.startsWith(QLatin1String(kPrefix, kPrefixLength), Qt::CaseInsensitive);
}
// The terminal's name in a component name, upper-cased and without the prefix.
inline QString of(const QString& component) { return component.mid(kPrefixLength).toUpper(); }
inline QByteArray of(const QByteArray& component) { return component.mid(kPrefixLength); }
// The component name of a terminal.
inline QString component(const QString& terminal) { return QLatin1String(kPrefix) + terminal; }
inline QByteArray component(const QByteArray& terminal) { return QByteArray(kPrefix) + terminal; }

} // namespace terminalname
