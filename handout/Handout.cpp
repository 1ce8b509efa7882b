#include "handout/Handout.h"

#include "handout/HandoutListing.h"
#include "handout/HandoutWriter.h"

#include "base/ContentFolder.h"
#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "base/ReplaceFile.h"
#include "boards/BoardArea.h"
#include "boards/BoardForm.h"
#include "boards/BoardInfo.h"
#include "boards/GuideScene.h"
#include "codecs/PictureLoader.h"
#include "engine/CatalogueSource.h"
#include "engine/StepPlan.h"
#include "engine/linksheet.h"
#include "source/SourceText.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <optional>

namespace handout {

Experiment fromRow(const CatalogueRow& row) {
    return {row.name,    row.cpuType, row.entry,       row.program,    row.circuit,
            row.flowChart, row.wiring, row.purpose, row.requirement, row.description};
}

QString typeCaption(int cpuType) {
    static const char* const kCaptions[] = {"", "51", "88", "96", "PCI"};
    return cpuType >= 1 && cpuType <= 4 ? QString::fromLatin1(kCaptions[cpuType]) : QString::number(cpuType);
}

namespace {

QString slashed(QString s) { return s.replace(u'\\', u'/'); }

// The prepared content of one handout: found, loaded and planned once, painted twice (measure, then paint).
struct Content {
    Experiment e;
    QString board;
    // The board drawing.
    BoardForm* form = nullptr;
    boards::GuideScene scene;
    QRect crop;
    // The wiring table.
    QList<QString> firstBlock, secondBlock;
    // Pictures: the image, or the text said in its place.
    struct Picture {
        QString heading;
        QImage image;
        QString message;
    };
    QList<Picture> pictures;
    // The listing, or the text said in its place.
    bool hasListing = false;
    QList<ListingLine> listing;
    QString listingMessage;
};

QString blockCaption(const BoardForm& form, int index, QRect* blockRect) {
    const QRect r = form.componentRect(index);
    const QPoint centre = r.center();
    const boards::Component* best = nullptr;
    int bestIndex = -1;
    for (int i = 0; i < form.componentCount(); ++i) {
        const boards::Component& b = form.components()[i];
        if (b.kind != boards::ComponentKind::Block || !form.componentRect(i).contains(centre))
            continue;
        if (!best || b.rect.width() * b.rect.height() < best->rect.width() * best->rect.height()) {
            best = &b;
            bestIndex = i;
        }
    }
    if (blockRect)
        *blockRect = best ? form.componentRect(bestIndex) : r;
    return best ? best->caption.trimmed() : QString();
}

Content::Picture loadPicture(const QString& heading, const QString& stored, const Folders& folders) {
    Content::Picture p{heading, {}, {}};
    if (stored.trimmed().isEmpty()) {
        p.message = QStringLiteral("（无）");
        return p;
    }
    const QString shown = picturePath(stored);
    const QString file = contentfolder::find(shown, folders.working, folders.program);
    if (file.isEmpty()) {
        p.message = QStringLiteral("（图片缺失：%1）").arg(shown);
        return p;
    }
    try {
        p.image = codecs::loadPicture(file).image;
    } catch (const Error& error) {
        p.message = QStringLiteral("（图片无法解码：%1：%2）").arg(shown, error.message());
    }
    return p;
}

Content prepare(BoardForm& form, const Experiment& e, const Folders& folders) {
    Content c;
    c.e = e;
    c.board = form.board();
    c.form = &form;
    // The whole wiring as the overview shows it, numbered, without the plate.
    const QList<QByteArray> steps = parseWiringSteps(gbk::encode(e.wiring));
    const TerminalIndex index(form);
    const QList<StepPlan> plans = planWiring(steps, form, index);
    boards::BoardArea* area = form.boardArea();
    c.scene.area = area->size();
    c.scene.plateSpace = boards::plateSpace(form.components(), area->size());
    for (int i = 0; i < form.componentCount(); ++i)
        if (form.components()[i].kind == boards::ComponentKind::Terminal)
            c.scene.terminals << form.componentRect(i);
    c.scene.names = true;
    c.scene.overview = true;
    c.scene.steps = plans;
    // Crop to the blocks the drawn connections touch.
    QRect crop;
    for (const StepPlan& plan : plans) {
        QRect block;
        c.firstBlock << (plan.firstIndex >= 0 ? blockCaption(form, plan.firstIndex, &block) : QString());
        if (plan.drawable())
            crop |= block;
        c.secondBlock << (plan.secondIndex >= 0 ? blockCaption(form, plan.secondIndex, &block) : QString());
        if (plan.drawable())
            crop |= block;
    }
    const QRect whole(QPoint(0, 0), area->size());
    c.crop = crop.isEmpty() ? whole : crop.adjusted(-12, -12, 12, 12).intersected(whole);

    c.pictures << loadPicture(QStringLiteral("电路图"), e.circuit, folders)
               << loadPicture(QStringLiteral("流程图"), e.flowChart, folders);

    c.hasListing = e.cpuType >= 1 && e.cpuType <= 3;
    if (c.hasListing) {
        const QString stored = sourcePath(e);
        const QString file = stored.isEmpty() ? QString() : contentfolder::find(stored, folders.working, folders.program);
        if (stored.isEmpty())
            c.listingMessage = QStringLiteral("（无）");
        else if (file.isEmpty())
            c.listingMessage = QStringLiteral("（程序文件缺失：%1）").arg(stored);
        else {
            try {
                c.listing = colourLines(sourcetext::readFile(file), e.cpuType);
            } catch (const Error& error) {
                c.listingMessage = QStringLiteral("（程序文件无法读取：%1：%2）").arg(stored, error.message());
            }
        }
    }
    return c;
}

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

// The board area through its own painting code, so that lines and texts stay vectors; its instrument
// widgets are rendered at their places above it.
constexpr int kWidgetScale = 4;

void paintBoard(QPainter& p, BoardForm& form, const QRect& crop) {
    boards::BoardArea& area = *form.boardArea();
    if (area.beforePainting)
        area.beforePainting();
    p.fillRect(crop, boards::BoardArea::silver());
    // Only the elements the crop shows: what lies outside would still be text in the file, clipped or not.
    QList<boards::Component> shown;
    for (const boards::Component& component : form.components())
        if (component.kind == boards::ComponentKind::LinkLayer || component.rect.intersects(crop))
            shown << component;
    area.setComponents(&shown);
    area.paintElements(p);
    area.setComponents(&form.components());
    for (QWidget* child : area.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isHidden() || !child->geometry().intersects(crop))
            continue;
        // The instruments as pictures at four times their size: rendering them straight onto the page's
        // painter leaves its clip behind (and a recorded QPicture draws some of them at the wrong scale).
        QImage image(child->size() * kWidgetScale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(kWidgetScale);
        image.fill(Qt::transparent);
        child->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        p.drawImage(QRectF(child->geometry()), image);
    }
}

void boardSection(PageFlow& flow, const Content& c) {
    const QRect crop = c.crop;
    const double maxHeight = flow.fullHeight() * 0.55;
    double scale = std::min({flow.width() / crop.width(), maxHeight / crop.height(), 3.0});
    // Somewhat smaller rather than a half-empty page before it.
    const double headingHeight = 40, wanted = crop.height() * scale + 8;
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
        p->setClipRect(crop);
        paintBoard(*p, *c.form, crop);
        boards::paintGuide(*p, c.scene);
        p->restore();
        p->setPen(QPen(kRule, 0.5));
        p->drawRect(QRectF(flow.left() + (flow.width() - w) / 2, flow.top(), w, h));
    }
    flow.advance(h + 8);
}

void wiringTable(PageFlow& flow, const Content& c) {
    flow.heading(QStringLiteral("接线表"), 60);
    const QList<StepPlan>& plans = c.scene.steps;
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
            const QString blocks[2] = {c.firstBlock.value(i), c.secondBlock.value(i)};
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

void pictureSection(PageFlow& flow, const Content::Picture& picture) {
    if (picture.image.isNull()) {
        flow.heading(picture.heading);
        flow.text(picture.message, PageFlow::font(10));
        return;
    }
    // The picture's own size is its size on a 96 dpi screen; it is fitted to the width, at most doubled.
    const QSizeF natural = QSizeF(picture.image.size()) * (72.0 / 96.0);
    const double scale = std::min({flow.width() / natural.width(), flow.fullHeight() * 0.85 / natural.height(), 2.0});
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

void listingSection(PageFlow& flow, const Content& c) {
    flow.heading(QStringLiteral("实验程序"));
    if (!c.listingMessage.isEmpty()) {
        flow.text(c.listingMessage, PageFlow::font(10));
        return;
    }
    // A face whose Chinese characters are exactly two Latin ones wide: comments line up as in the file.
    const QFont mono = PageFlow::font(8, false, QStringLiteral("WenQuanYi Zen Hei Mono"));
    const double cw = QFontMetricsF(mono).horizontalAdvance(u'M');
    const double lineHeight = 10.4;
    const int numberColumns = c.listing.size() >= 1000 ? 4 : 3;
    const int maxColumns = std::max(20, int(flow.width() / cw) - numberColumns - 2);
    for (int n = 0; n < c.listing.size(); ++n) {
        const QList<ListingRow> rows = listingRows(c.listing[n], n + 1, numberColumns, maxColumns);
        if (n == std::max<qsizetype>(0, c.listing.size() - 3)) // the last lines are not left alone on a page
            flow.need(lineHeight * double(c.listing.size() - n));
        flow.need(lineHeight * std::min<qsizetype>(rows.size(), 3));
        for (const ListingRow& row : rows) {
            flow.need(lineHeight);
            if (QPainter* p = flow.painter()) {
                QTextLayout layout(row.text, mono);
                layout.setFormats(row.formats);
                layout.beginLayout();
                QTextLine line = layout.createLine();
                line.setLineWidth(1e6);
                line.setPosition(QPointF(0, 0));
                layout.endLayout();
                p->setPen(Qt::black);
                layout.draw(p, QPointF(flow.left(), flow.top() + (lineHeight - line.height()) / 2));
            }
            flow.advance(lineHeight);
        }
    }
}

void layout(PageFlow& flow, const Content& c) {
    titleBlock(flow, c);
    textSection(flow, QStringLiteral("实验目的"), c.e.purpose);
    textSection(flow, QStringLiteral("实验要求"), c.e.requirement);
    textSection(flow, QStringLiteral("实验说明"), c.e.description);
    boardSection(flow, c);
    wiringTable(flow, c);
    for (const Content::Picture& picture : c.pictures)
        pictureSection(flow, picture);
    if (c.hasListing)
        listingSection(flow, c);
    flow.finish();
}

} // namespace

QString sourcePath(const Experiment& e) {
    static const char* const kFolders[] = {"", "asm/51/", "asm/88/", "asm/96/"};
    if (e.cpuType < 1 || e.cpuType > 3 || e.program.trimmed().isEmpty())
        return {};
    return QString::fromLatin1(kFolders[e.cpuType]) + slashed(e.program);
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

int Maker::paint(QPagedPaintDevice& device, const Experiment& e) {
    const Content c = prepare(*form_, e, folders_);
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    PageFlow measure(nullptr, nullptr, e.name, 0);
    layout(measure, c);
    const int pages = measure.page();
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
    layout(flow, c);
    painter.end();
    return pages;
}

int Maker::writePdf(const QString& path, const Experiment& e) {
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
