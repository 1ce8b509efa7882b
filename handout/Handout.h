#pragma once
// The experiment handout: what a student needs on paper for one experiment (the texts, the board with the
// whole wiring numbered, a wiring table to tick, the circuit and flow-chart pictures, the listing), laid out
// on A4 pages and painted onto any paged device: a PDF file or a printer.
#include <QList>
#include <QString>

#include <memory>

class BoardForm;
class QPagedPaintDevice;
struct CatalogueRow;

namespace handout {

// One experiment as the catalogue holds it (texts as stored, CR LF breaks kept).
struct Experiment {
    QString name;
    int cpuType = 0; // 1 "51", 2 "88", 3 "96", 4 "PCI"
    QString entry;
    QString program; // the source file's stored name ("led.asm"), found under asm/51/ etc.
    QString circuit; // picture names under pic/
    QString flowChart;
    QString wiring;
    QString purpose;
    QString requirement;
    QString description;
};
Experiment fromRow(const CatalogueRow& row);

// The type's caption: "51", "88", "96" or "PCI".
QString typeCaption(int cpuType);
// The stored relative paths the content lookup is asked for.
QString sourcePath(const Experiment& e); // "asm/51/led.asm"; empty for PCI or no file
QString picturePath(const QString& stored); // "pic/x.jpg"; empty for no name

// Where content is looked up: the working folder first, then the program folder (both end in "/").
struct Folders {
    QString working;
    QString program;
};

// Makes handouts for one board; the board's drawing is made once and reused for every experiment.
class Maker {
public:
    // Raises Error for an unknown board.
    Maker(const QString& board, Folders folders);
    ~Maker();
    Maker(const Maker&) = delete;
    Maker& operator=(const Maker&) = delete;

    QString board() const;
    // Paints every page onto the device (A4 portrait is set on it); returns the page count.
    int paint(QPagedPaintDevice& device, const Experiment& e);
    // Writes the PDF atomically: a file beside `path`, renamed at the end; raises Error and leaves no file
    // when it cannot be written.
    int writePdf(const QString& path, const Experiment& e);

private:
    std::unique_ptr<BoardForm> form_;
    Folders folders_;
};

// A file name made of the experiment name, safe on every file system ("/" and the like replaced).
QString fileNameFor(const QString& experimentName);

} // namespace handout
