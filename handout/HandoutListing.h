#pragma once
// A source file's lines as coloured runs on a grid of columns, as the source view colours them for an
// experiment type: a character outside ASCII takes two columns (its GBK width) and tabs stop every eight,
// so that comments written in Chinese line up on paper as they do in the file.
#include <QByteArrayView>
#include <QColor>
#include <QList>
#include <QString>

namespace handout {

struct Run {
    QString text;
    int column = 0; // where the run starts
    QColor foreground; // invalid: the text colour
    QColor background; // invalid: none
    bool bold = false;
    bool italic = false;
};

struct ListingLine {
    QList<Run> runs;
    int columns = 0; // the line's width in columns
};

// The lines of the file's bytes coloured for CpuType 1..3; any other type gives plain runs.
QList<ListingLine> colourLines(QByteArrayView fileBytes, int cpuType);

// Columns a character takes.
inline int columnsOf(QChar c) { return c.unicode() < 0x80 ? 1 : 2; }

} // namespace handout
