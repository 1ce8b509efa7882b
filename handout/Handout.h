#pragma once
// The experiment handout: what a student needs on paper for one experiment (the texts, the board with the
// whole wiring numbered, a wiring table to tick, the circuit and flow-chart pictures, the listing), laid out
// on A4 pages and painted onto any paged device: a PDF file or a printer.
#include "engine/CatalogueSource.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class BoardForm;
class QPagedPaintDevice;

namespace handout {

// The type's caption: "51", "88", "96" or "PCI".
QString typeCaption(int cpuType);
// The stored relative paths the content lookup is asked for.
QString sourcePath(const CatalogueRow& e); // "asm/51/led.asm"; empty for PCI or no file
QString picturePath(const QString& stored); // "pic/x.jpg"; empty for no name

// Where content is looked up: the working folder first, then the program folder (both end in "/").
struct Folders {
    QString working;
    QString program;
};

// Makes handouts for one board, each from one experiment as the catalogue holds it (texts as stored, CR LF
// breaks kept); the board's drawing is made once and reused for every experiment.
class Maker {
public:
    // Raises Error for an unknown board.
    Maker(const QString& board, Folders folders);
    ~Maker();
    Maker(const Maker&) = delete;
    Maker& operator=(const Maker&) = delete;

    QString board() const;
    // Paints every page onto the device (A4 portrait is set on it); returns the page count.
    int paint(QPagedPaintDevice& device, const CatalogueRow& e);
    // Writes the PDF atomically: a file beside `path`, renamed at the end; raises Error and leaves no file
    // when it cannot be written.
    int writePdf(const QString& path, const CatalogueRow& e);
    // What the last handout painted could not show as stored: a missing or undecodable picture or source,
    // one English sentence each ("circuit picture pic/x.jpg is missing").
    const QStringList& problems() const { return problems_; }

private:
    std::unique_ptr<BoardForm> form_;
    Folders folders_;
    QStringList problems_;
};

// A file name made of the experiment name, safe on every file system ("/" and the like replaced).
QString fileNameFor(const QString& experimentName);

} // namespace handout
