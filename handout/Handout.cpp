#include "handout/Handout.h"

#include "handout/HandoutBoard.h"
#include "handout/HandoutListing.h"
#include "handout/HandoutWriter.h"

#include "base/ContentFolder.h"
#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "base/ReplaceFile.h"
#include "boards/BoardArea.h"
#include "boards/BoardForm.h"
#include "boards/BoardInfo.h"
#include "codecs/PictureLoader.h"
#include "engine/FieldCapacity.h"
#include "engine/CatalogueSource.h"
#include "engine/StepPlan.h"
#include "engine/linksheet.h"
#include "source/SourceText.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

namespace handout {

QString typeCaption(int cpuType) {
    return cpuType >= 1 && cpuType <= 4 ? cataloguesource::typeName(cpuType) : QString::number(cpuType);
}

namespace {

QString slashed(QString s) { return s.replace(u'\\', u'/'); }

// The prepared content of one handout: found, loaded and planned once, laid out a few ways and painted once.
struct Content {
    CatalogueRow e;
    QString board;
    BoardDrawing drawing;
    // Pictures: the image, or the text said in its place.
    struct Picture {
        QString heading;
        QImage image;
        QString message;
    };
    QList<Picture> pictures;
    // The listing's coloured lines, or the text said in its place.
    bool hasListing = false;
    QList<ListingLine> listing;
    QString listingMessage;
    // What could not be shown as stored, for the caller to report.
    QStringList problems;
};

Content::Picture loadPicture(const QString& heading, const QString& what, const QString& stored, const Folders& folders,
                             QStringList& problems) {
    Content::Picture p{heading, {}, {}};
    if (stored.trimmed().isEmpty()) {
        p.message = QStringLiteral("（无）");
        return p;
    }
    const QString shown = picturePath(stored);
    const QString file = contentfolder::find(shown, folders.working, folders.program);
    if (file.isEmpty()) {
        p.message = QStringLiteral("（图片缺失：%1）").arg(shown);
        problems << QStringLiteral("%1 picture %2 is missing").arg(what, shown);
        return p;
    }
    try {
        p.image = codecs::loadPicture(file).image;
    } catch (const Error& error) {
        p.message = QStringLiteral("（图片无法解码：%1：%2）").arg(shown, error.message());
        problems << QStringLiteral("%1 picture %2 cannot be decoded: %3").arg(what, shown, error.message());
    }
    return p;
}

Content prepare(BoardForm& form, const CatalogueRow& e, const Folders& folders) {
    Content c;
    c.e = e;
    c.board = form.board();
    // The whole wiring as the overview shows it, numbered, without the plate.
    const QList<QByteArray> steps = parseWiringSteps(gbk::encode(e.wiring));
    const TerminalIndex index(form);
    c.drawing = planBoardDrawing(form, planWiring(steps, form, index));

    c.pictures << loadPicture(QStringLiteral("电路图"), QStringLiteral("circuit"), e.circuit, folders, c.problems)
               << loadPicture(QStringLiteral("流程图"), QStringLiteral("flow chart"), e.flowChart, folders, c.problems);

    c.hasListing = e.cpuType >= 1 && e.cpuType <= 3;
    if (c.hasListing) {
        const QString stored = sourcePath(e);
        const QString file = stored.isEmpty() ? QString() : contentfolder::find(stored, folders.working, folders.program);
        if (stored.isEmpty()) {
            c.listingMessage = QStringLiteral("（无）");
        } else if (file.isEmpty()) {
            c.listingMessage = QStringLiteral("（程序文件缺失：%1）").arg(stored);
            c.problems << QStringLiteral("source %1 is missing").arg(stored);
        } else {
            try {
                c.listing = colourLines(sourcetext::readFile(file), e.cpuType);
            } catch (const Error& error) {
                c.listingMessage = QStringLiteral("（程序文件无法读取：%1：%2）").arg(stored, error.message());
                c.problems << QStringLiteral("source %1 cannot be read: %2").arg(stored, error.message());
            }
        }
    }
    return c;
}

// How one layout is tried: the handout is laid out with each of a few of these and the one with the fewest
// pages is painted (the first of those, so the larger drawing and the stored order win a tie).
struct Fit {
    double boardShrink = 1.0;  // of the board drawing's natural scale
    double pictureFloor = 0.75; // how small a picture may get to stay on the page it starts on
    bool picturesLast = false; // the pictures after the listing
};
constexpr Fit kFits[] = {
    {1.0, 0.75, false}, {1.0, 0.55, false}, {0.85, 0.75, false}, {0.85, 0.55, false},
    {0.7, 0.55, false}, {1.0, 0.75, true},  {0.85, 0.55, true},  {0.7, 0.55, true},
};

const QColor kInk(0x20, 0x20, 0x20);
const QColor kRule(0x90, 0x90, 0x90);
const QColor kMarked(0xC0, 0x00, 0x00);

void titleBlock(PageFlow& flow, const Content& c) {
    const QFont title = PageFlow::font(20, true);
    const double titleHeight = QFontMetricsF(title).height() + 10;
    if (QPainter* p = flow.painter()) {
        p->setFont(PageFlow::font(9));
        p->setPen(kRule);
        p->drawText(QRectF(flow.left(), flow.top(), flow.width(), 12), Qt::AlignRight | Qt::AlignTop,
                    QStringLiteral("实验指导书"));
        p->setFont(title);
        p->setPen(Qt::black);
        p->drawText(QRectF(flow.left(), flow.top() + 12, flow.width(), titleHeight), Qt::AlignCenter, c.e.name);
    }
    flow.advance(titleHeight + 18);
    const QString program = c.hasListing ? (c.e.program.isEmpty() ? QStringLiteral("（无）") : sourcePath(c.e))
                                         : QStringLiteral("（无）");
    const QString entry = c.e.entry.trimmed().isEmpty() ? QStringLiteral("（无）") : c.e.entry;
    const QString cells[4][2] = {{QStringLiteral("实验类型"), typeCaption(c.e.cpuType)},
                                 {QStringLiteral("实验板"), boards::boardDisplayName(c.board)},
                                 {QStringLiteral("入口地址"), entry},
                                 {QStringLiteral("程序文件"), program}};
    const double rowHeight = 20, half = flow.width() / 2, keyWidth = 60;
    if (QPainter* p = flow.painter()) {
        const QRectF box(flow.left(), flow.top(), flow.width(), 2 * rowHeight);
        p->setPen(QPen(kInk, 0.8));
        p->setBrush(QColor(0xF2, 0xF4, 0xF8));
        p->drawRect(box);
        p->setBrush(Qt::NoBrush);
        p->setPen(QPen(kRule, 0.5));
        p->drawLine(QPointF(box.left(), box.top() + rowHeight), QPointF(box.right(), box.top() + rowHeight));
        p->drawLine(QPointF(box.left() + half, box.top()), QPointF(box.left() + half, box.bottom()));
        for (int i = 0; i < 4; ++i) {
            const double x = box.left() + (i % 2) * half, y = box.top() + (i / 2) * rowHeight;
            p->setPen(Qt::black);
            p->setFont(PageFlow::font(10, true));
            p->drawText(QRectF(x + 6, y, keyWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, cells[i][0] + u'：');
            p->setFont(PageFlow::font(10));
            p->drawText(QRectF(x + 6 + keyWidth, y, half - keyWidth - 12, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                        cells[i][1]);
        }
    }
    flow.advance(2 * rowHeight + 6);
}

void textSection(PageFlow& flow, const QString& heading, const QString& text) {
    flow.heading(heading);
    flow.text(text.trimmed().isEmpty() ? QStringLiteral("（无）") : text, PageFlow::font(10));
}

void boardSection(PageFlow& flow, const Content& c, const Fit& fit) {
    const QRect crop = c.drawing.crop;
    const double maxHeight = flow.fullHeight() * 0.55;
    double scale = std::min({flow.width() / crop.width(), maxHeight / crop.height(), 3.0}) * fit.boardShrink;
    // Somewhat smaller rather than a half-empty page before it.
    const double headingHeight = flow.headingSpace(), wanted = crop.height() * scale + 8;
    if (!flow.atPageTop() && wanted + headingHeight > flow.room() && flow.room() - headingHeight >= 0.75 * wanted)
        scale *= (flow.room() - headingHeight) / wanted;
    const double w = crop.width() * scale, h = crop.height() * scale;
    flow.heading(QStringLiteral("接线图"), h + 8);
    flow.need(h + 8);
    if (QPainter* p = flow.painter()) {
        p->save();
        p->translate(flow.left() + (flow.width() - w) / 2, flow.top());
        p->scale(scale, scale);
        p->translate(-crop.topLeft());
        paintBoardDrawing(*p, c.drawing, scale);
        p->restore();
        p->setPen(QPen(kRule, 0.5));
        p->setBrush(Qt::NoBrush);
        p->drawRect(QRectF(flow.left() + (flow.width() - w) / 2, flow.top(), w, h));
    }
    flow.advance(h + 8);
}

void wiringTable(PageFlow& flow, const Content& c) {
    flow.heading(QStringLiteral("接线表"), 60);
    const QList<StepPlan>& plans = c.drawing.scene.steps;
    if (plans.isEmpty()) {
        flow.text(QStringLiteral("（本实验无需接线）"), PageFlow::font(10));
        return;
    }
    const double rowHeight = 17;
    const double numberWidth = 40, tickWidth = 40;
    const double sideWidth = (flow.width() - numberWidth - tickWidth) / 2;
    const QFont font = PageFlow::font(10), bold = PageFlow::font(10, true), small = PageFlow::font(8);
    auto header = [&] {
        flow.need(rowHeight * 2);
        if (QPainter* p = flow.painter()) {
            const double y = flow.top();
            p->setPen(QPen(kInk, 0.6));
            p->setBrush(QColor(0xE4, 0xE8, 0xF0));
            p->drawRect(QRectF(flow.left(), y, flow.width(), rowHeight));
            p->setBrush(Qt::NoBrush);
            p->setFont(bold);
            p->setPen(Qt::black);
            double x = flow.left();
            const double widths[4] = {numberWidth, sideWidth, sideWidth, tickWidth};
            const QString texts[4] = {QStringLiteral("序号"), QStringLiteral("第一端子（所在模块）"),
                                      QStringLiteral("第二端子（所在模块）"), QStringLiteral("完成")};
            for (int i = 0; i < 4; ++i) {
                p->drawText(QRectF(x, y, widths[i], rowHeight), Qt::AlignCenter, texts[i]);
                x += widths[i];
            }
        }
        flow.advance(rowHeight);
    };
    header();
    for (int i = 0; i < plans.size(); ++i) {
        if (flow.room() < rowHeight) {
            flow.newPage();
            header();
        }
        const StepPlan& plan = plans[i];
        const bool marked = !plan.drawable();
        if (QPainter* p = flow.painter()) {
            const double y = flow.top();
            p->setPen(QPen(kRule, 0.5));
            if (marked)
                p->setBrush(QColor(0xFF, 0xEC, 0xEC));
            p->drawRect(QRectF(flow.left(), y, flow.width(), rowHeight));
            p->setBrush(Qt::NoBrush);
            p->setFont(font);
            p->setPen(marked ? kMarked : Qt::black);
            double x = flow.left();
            p->drawText(QRectF(x, y, numberWidth, rowHeight), Qt::AlignCenter, QString::number(i + 1));
            x += numberWidth;
            const QByteArray names[2] = {plan.first, plan.second};
            const int indices[2] = {plan.firstIndex, plan.secondIndex};
            const QString blocks[2] = {c.drawing.firstBlock.value(i), c.drawing.secondBlock.value(i)};
            for (int side = 0; side < 2; ++side) {
                const QString name = gbk::decode(names[side]);
                QString note;
                if (name.isEmpty())
                    note = QStringLiteral("（缺端子名）");
                else if (indices[side] < 0)
                    note = QStringLiteral("（板上无此端子）");
                else if (!blocks[side].isEmpty())
                    note = QStringLiteral("（%1）").arg(blocks[side]);
                p->setFont(bold);
                p->setPen(marked && indices[side] < 0 ? kMarked : Qt::black);
                const QRectF cell(x + 6, y, sideWidth - 8, rowHeight);
                p->drawText(cell, Qt::AlignLeft | Qt::AlignVCenter, name);
                const double nameWidth = QFontMetricsF(bold).horizontalAdvance(name) + (name.isEmpty() ? 0 : 4);
                p->setFont(small);
                p->setPen(marked && indices[side] < 0 ? kMarked : QColor(0x50, 0x50, 0x50));
                p->drawText(cell.adjusted(nameWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                            QFontMetricsF(small).elidedText(note, Qt::ElideRight, cell.width() - nameWidth));
                x += sideWidth;
            }
            p->setPen(QPen(kInk, 0.8));
            const double box = 9;
            if (marked) {
                p->setPen(kMarked);
                p->setFont(small);
                p->drawText(QRectF(x, y, tickWidth, rowHeight), Qt::AlignCenter, QStringLiteral("不画出"));
            } else {
                p->drawRect(QRectF(x + (tickWidth - box) / 2, y + (rowHeight - box) / 2, box, box));
            }
        }
        flow.advance(rowHeight);
    }
    flow.advance(4);
}

void pictureSection(PageFlow& flow, const Content::Picture& picture, const Fit& fit) {
    if (picture.image.isNull()) {
        flow.heading(picture.heading);
        flow.text(picture.message, PageFlow::font(10));
        return;
    }
    // The picture's own size is its size on a 96 dpi screen; it is fitted to the width, at most doubled.
    const QSizeF natural = QSizeF(picture.image.size()) * (72.0 / 96.0);
    double scale = std::min({flow.width() / natural.width(), flow.fullHeight() * 0.85 / natural.height(), 2.0});
    // Somewhat smaller rather than moved to the next page with the rest of this one left empty.
    const double wanted = natural.height() * scale + 6, room = flow.room() - flow.headingSpace();
    if (!flow.atPageTop() && wanted > room && room >= fit.pictureFloor * wanted)
        scale *= room / wanted;
    const QSizeF size = natural * scale;
    flow.heading(picture.heading, size.height() + 4);
    flow.need(size.height() + 4);
    if (QPainter* p = flow.painter())
        p->drawImage(QRectF(QPointF(flow.left() + (flow.width() - size.width()) / 2, flow.top()), size), picture.image);
    flow.advance(size.height() + 6);
}

// One visual row of the listing: the number column and the text, drawn as one string so that readers of the
// PDF get whole lines; colours and styles come from format ranges.
struct ListingRow {
    QString text;
    QList<QTextLayout::FormatRange> formats;
};

QList<ListingRow> listingRows(const ListingLine& line, int number, int numberColumns, int maxColumns) {
    QString full;
    QList<QTextLayout::FormatRange> formats;
    for (const Run& run : line.runs) {
        if (run.foreground.isValid() || run.background.isValid() || run.italic) {
            QTextLayout::FormatRange range;
            range.start = int(full.size());
            range.length = int(run.text.size());
            if (run.foreground.isValid())
                range.format.setForeground(run.foreground);
            if (run.background.isValid())
                range.format.setBackground(run.background);
            // Bold is left out: a made-up bold face would widen the characters and break the columns.
            range.format.setFontItalic(run.italic);
            formats << range;
        }
        full += run.text;
    }
    QList<ListingRow> rows;
    qsizetype from = 0;
    do {
        int columns = 0;
        qsizetype to = from;
        while (to < full.size() && columns + columnsOf(full[to]) <= maxColumns)
            columns += columnsOf(full[to++]);
        if (to == from && to < full.size())
            ++to;
        ListingRow row;
        const QString prefix = rows.isEmpty() ? QString::number(number).rightJustified(numberColumns) + QStringLiteral("  ")
                                              : QString(numberColumns + 2, u' ');
        row.text = prefix + full.mid(from, to - from);
        QTextLayout::FormatRange grey;
        grey.start = 0;
        grey.length = numberColumns;
        grey.format.setForeground(QColor(0x90, 0x90, 0x90));
        row.formats << grey;
        for (const QTextLayout::FormatRange& f : formats) {
            const qsizetype start = std::max<qsizetype>(f.start, from), end = std::min<qsizetype>(f.start + f.length, to);
            if (start >= end)
                continue;
            QTextLayout::FormatRange r = f;
            r.start = int(prefix.size() + start - from);
            r.length = int(end - start);
            row.formats << r;
        }
        rows << row;
        from = to;
    } while (from < full.size());
    return rows;
}

// A page that holds any of the listing holds at least this many of its rows (or the whole of a shorter one).
constexpr int kLeastListingRows = 10;
constexpr double kListingLineHeight = 10.4;

QFont listingFont() {
    // A face whose Chinese characters are exactly two Latin ones wide: comments line up as in the file.
    return PageFlow::font(8, false, QStringLiteral("WenQuanYi Zen Hei Mono"));
}

QList<ListingRow> listingRows(const Content& c, double width) {
    const double cw = QFontMetricsF(listingFont()).horizontalAdvance(u'M');
    const int numberColumns = c.listing.size() >= 1000 ? 4 : 3;
    const int maxColumns = std::max(20, int(width / cw) - numberColumns - 2);
    QList<ListingRow> rows;
    for (int n = 0; n < c.listing.size(); ++n)
        rows << listingRows(c.listing[n], n + 1, numberColumns, maxColumns);
    return rows;
}

// How many of `remaining` rows go on a page with room for `fits`: all when they fit, else as many as leave
// the next page its least share.
int rowsOnPage(int fits, int remaining, int least) {
    return remaining <= fits ? remaining : std::min(fits, remaining - least);
}

void listingSection(PageFlow& flow, const Content& c, const QList<ListingRow>& rows) {
    if (!c.listingMessage.isEmpty()) {
        flow.heading(QStringLiteral("实验程序"));
        flow.text(c.listingMessage, PageFlow::font(10));
        return;
    }
    const int total = int(rows.size());
    const int least = std::min(total, kLeastListingRows);
    // The heading and the first rows start a new page when this one would hold fewer than the least share.
    const int fitsHere = int((flow.room() - flow.headingSpace()) / kListingLineHeight + 1e-6);
    if (rowsOnPage(fitsHere, total, least) < least && !flow.atPageTop())
        flow.newPage();
    flow.heading(QStringLiteral("实验程序"), 0);
    const QFont mono = listingFont();
    for (int done = 0; done < total;) {
        const int fits = std::max(1, int(flow.room() / kListingLineHeight + 1e-6));
        int take = rowsOnPage(fits, total - done, least);
        if (take <= 0 && flow.atPageTop())
            take = std::min(fits, total - done);
        if (take <= 0) {
            flow.newPage();
            continue;
        }
        for (int k = done; k < done + take; ++k) {
            if (QPainter* p = flow.painter()) {
                QTextLayout layout(rows[k].text, mono);
                layout.setFormats(rows[k].formats);
                layout.beginLayout();
                QTextLine line = layout.createLine();
                line.setLineWidth(1e6);
                line.setPosition(QPointF(0, 0));
                layout.endLayout();
                p->setPen(Qt::black);
                layout.draw(p, QPointF(flow.left(), flow.top() + (kListingLineHeight - line.height()) / 2));
            }
            flow.advance(kListingLineHeight);
        }
        done += take;
        if (done < total)
            flow.newPage();
    }
}

void layout(PageFlow& flow, const Content& c, const QList<ListingRow>& rows, const Fit& fit) {
    titleBlock(flow, c);
    // On paper exactly what the program shows: a text past its field's size is cut as the program cuts it.
    using cataloguesource::keptText;
    textSection(flow, QStringLiteral("实验目的"), keptText(&CatalogueRow::purpose, c.e.purpose));
    textSection(flow, QStringLiteral("实验要求"), keptText(&CatalogueRow::requirement, c.e.requirement));
    textSection(flow, QStringLiteral("实验说明"), c.e.description);
    boardSection(flow, c, fit);
    wiringTable(flow, c);
    if (!fit.picturesLast)
        for (const Content::Picture& picture : c.pictures)
            pictureSection(flow, picture, fit);
    if (c.hasListing)
        listingSection(flow, c, rows);
    if (fit.picturesLast)
        for (const Content::Picture& picture : c.pictures)
            pictureSection(flow, picture, fit);
    flow.finish();
}

} // namespace

QString sourcePath(const CatalogueRow& e) {
    const QString folder = cataloguesource::sourceFolder(e.cpuType);
    if (folder.isEmpty() || e.program.trimmed().isEmpty())
        return {};
    return folder + slashed(e.program);
}

QString picturePath(const QString& stored) {
    return stored.trimmed().isEmpty() ? QString() : QStringLiteral("pic/") + slashed(stored);
}

QString fileNameFor(const QString& experimentName) {
    QString name = experimentName.trimmed();
    for (QChar& ch : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(ch) || ch.unicode() < 0x20)
            ch = u'_';
    if (name.isEmpty() || name.startsWith(u'.'))
        name.prepend(QStringLiteral("实验"));
    return name;
}

Maker::Maker(const QString& board, Folders folders)
    : form_(boards::createBoardForm(board)), folders_(std::move(folders)) {
    form_->boardArea()->setCaching(false); // its cache is a bitmap; paper gets the drawing itself
}

Maker::~Maker() = default;

QString Maker::board() const { return form_->board(); }

int Maker::paint(QPagedPaintDevice& device, const CatalogueRow& e) {
    const Content c = prepare(*form_, e, folders_);
    problems_ = c.problems;
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    const QList<ListingRow> rows = listingRows(c, PageFlow(nullptr, nullptr, {}, 0).width());
    const Fit* chosen = nullptr;
    int pages = 0;
    for (const Fit& fit : kFits) {
        if (fit.picturesLast && !c.hasListing)
            continue;
        PageFlow measure(nullptr, nullptr, e.name, 0);
        layout(measure, c, rows, fit);
        if (!chosen || measure.page() < pages) {
            chosen = &fit;
            pages = measure.page();
        }
        if (pages == 1)
            break;
    }
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("cannot start the document"));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // One painter unit is one point on every device.
    const QRect paper = device.pageLayout().fullRectPixels(device.logicalDpiX());
    const QRect paintable = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const double unit = device.logicalDpiX() / 72.0;
    painter.translate(paper.topLeft() - paintable.topLeft());
    painter.scale(unit, unit);
    PageFlow flow(&device, &painter, e.name, pages);
    layout(flow, c, rows, *chosen);
    painter.end();
    return pages;
}

int Maker::writePdf(const QString& path, const CatalogueRow& e) {
    replacefile::ScratchFile file(path);
    int pages = 0;
    {
        QPdfWriter writer(&file.device());
        writer.setResolution(600);
        writer.setTitle(e.name);
        writer.setCreator(QStringLiteral("labguide"));
        pages = paint(writer, e);
    }
    file.commit();
    return pages;
}

} // namespace handout
