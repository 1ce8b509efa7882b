#include "boards/BoardForm.h"

#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "base/ContentFolder.h"
#include "base/StyleIcon.h"
#include "base/Zoom.h"
#include "boards/BoardGuide.h"
#include "boards/BoardZoom.h"
#include "boards/FrontPanel.h"
#include "boards/Instruments.h"
#include "boards/ViewerHooks.h"
#include "widgets/iComponent.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>

namespace boards {
namespace {
WidgetFactory& widgetFactory() {
    static WidgetFactory factory = &createInstrument; // the instruments, unless tests put another
    return factory;
}
} // namespace
WidgetFactory setWidgetFactory(WidgetFactory factory) {
    WidgetFactory previous = std::move(widgetFactory());
    widgetFactory() = std::move(factory);
    return previous;
}
} // namespace boards

using namespace boards;

namespace {

// The experiment panel as designed on the first board; the other boards shift the lower row down
// (rowOffset) and give the wiring hint another size (layout file).
struct PanelPlace {
    int left, top, width, height;
    bool lowerRow; // moves down with the row offset
};
constexpr PanelPlace kRgtype{16, 8, 281, 33, false};
constexpr PanelPlace kLabel1{8, 76, 65, 17, true};
constexpr PanelPlace kCbExam{72, 72, 225, 0, true}; // the drop-down list keeps its own height
constexpr PanelPlace kTishi{304, 0, 0, 0, false};   // size from the layout file

struct PanelButton {
    const char* name;
    const char* caption;
    PanelPlace place;
};
constexpr PanelButton kButtons[] = {
    {"BitBtn_prev", "前一步", {304, 66, 65, 27, true}},
    {"BitBtn_next", "下一步", {377, 66, 64, 27, true}},
    {"BitBtn_yaoqiu", "实验要求", {449, 66, 60, 27, true}},
    {"BitBtn_result", "实验目的", {516, 67, 59, 26, true}},
    {"bbtn_descrip", "实验说明", {582, 68, 69, 25, true}},
    {"BitBtn_sch", "实验电路", {656, 67, 65, 26, true}},
    {"BitBtn_flow", "实验流程图", {727, 67, 66, 26, true}},
};

const QString kTishiStart = QStringLiteral("实验提示:");

void place(QWidget* w, const PanelPlace& p, int rowOffset, int height = -1) {
    w->setGeometry(p.left, p.top + (p.lowerRow ? rowOffset : 0), p.width, height >= 0 ? height : p.height);
}

QString decode(const QByteArray& bytes) { return gbk::decode(bytes); }

} // namespace

BoardForm::BoardForm(const QString& board, QWidget* parent) : BoardForm(storedLayout(board), parent) {}

BoardForm::BoardForm(BoardLayout layout, QWidget* parent) : QWidget(parent, Qt::Window), layout_(std::move(layout)) {
    setObjectName(layout_.instance);
    setWindowTitle(layout_.caption);
    QFont formFont(QStringLiteral("MS Sans Serif"));
    formFont.setPixelSize(12);
    setFont(formFont);
    if (layout_.fixedBorder)
        setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    buildPanel();
    buildBoard();
    FormCreate();
    connectHandlers();
    if (layout_.fixedBorder)
        setFixedSize(layout_.clientSize);
    else
        resize(layout_.clientSize);
    layoutPanels();
}

BoardForm::~BoardForm() {
    // The overlay watches the form's events and reads its components: it goes while the form is still whole,
    // not among the children the widget base deletes after this destructor.
    delete boards::BoardGuide::of(*this);
}

void BoardForm::buildPanel() {
    const PanelLayout& pl = layout_.panel;
    panel1_ = new QFrame(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    panel1_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel1_->setLineWidth(1);

    QStringList items;
    for (const TypeItem& t : pl.types)
        items << t.caption;
    rgtype_ = new TRadioGroup(QStringLiteral("实验类型"), items, pl.columns, panel1_);
    rgtype_->setObjectName(QStringLiteral("RGTYPE"));
    place(rgtype_, kRgtype, pl.rowOffset);
    rgtype_->setItemIndex(0);

    label1_ = new QLabel(QStringLiteral("实验名称"), panel1_);
    label1_->setObjectName(QStringLiteral("Label1"));
    QFont bold = font();
    bold.setBold(true);
    label1_->setFont(bold);
    place(label1_, kLabel1, pl.rowOffset);

    cbExam_ = new QComboBox(panel1_);
    cbExam_->setObjectName(QStringLiteral("cbExam"));
    cbExam_->setEditable(false);
    place(cbExam_, kCbExam, pl.rowOffset, cbExam_->sizeHint().height());

    stTishi_ = new TStaticText(kTishiStart, panel1_);
    stTishi_->setObjectName(QStringLiteral("st_tishi"));
    QFont mono(QStringLiteral("Courier New"));
    mono.setPixelSize(12);
    stTishi_->setFont(mono);
    QPalette pal = stTishi_->palette();
    pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    stTishi_->setPalette(pal);
    stTishi_->setGeometry(kTishi.left, kTishi.top, pl.tishiWidth, pl.tishiHeight);

    QPushButton** targets[] = {&prev_, &next_, &yaoqiu_, &result_, &descrip_, &sch_, &flow_};
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        auto* b = new QPushButton(QString::fromUtf8(kButtons[i].caption), panel1_);
        b->setObjectName(QLatin1String(kButtons[i].name));
        place(b, kButtons[i].place, pl.rowOffset);
        b->setEnabled(false);
        *targets[i] = b;
    }
    prev_->setIcon(styleicon::standard(QStyle::SP_ArrowBack));
    next_->setIcon(styleicon::standard(QStyle::SP_ArrowForward));
}

void BoardForm::buildBoard() {
    panel2_ = new QFrame(this);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    panel2_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel2_->setLineWidth(1);
    area_ = new BoardArea(panel2_);
    area_->setGeometry(1, 1, layout_.areaSize.width(), layout_.areaSize.height());

    components_ = layout_.components;
    for (int i = 0; i < components_.size(); ++i)
        if (components_[i].kind == ComponentKind::LinkLayer && linkLayer_ < 0)
            linkLayer_ = i;
    area_->setComponents(&components_);
    area_->beforePainting = [this] { sizeLabels(); };
    area_->onBlockClick = [this](int index) { errorreport::guarded([&] { sb_cpuClick(index); }); };

    widgets_.fill(nullptr, components_.size());
    const WidgetFactory& factory = widgetFactory();
    if (!factory)
        return;
    for (int i = 0; i < components_.size(); ++i) {
        const Component& c = components_[i];
        if (c.kind != ComponentKind::Widget)
            continue;
        QWidget* w = factory(c, c.frame ? static_cast<QWidget*>(panel2_) : area_);
        if (!w)
            continue;
        w->setObjectName(c.name);
        w->setGeometry(c.rect);
        if (!qobject_cast<TiComponent*>(w))
            keepDesigned(w);
        if (c.belowArea)
            w->stackUnder(area_);
        else
            w->raise(); // a later window lies above an earlier one
        widgets_[i] = w;
    }
}

void BoardForm::FormCreate() {
    FrontPanel::attach(*this); // the banner on the digits comes before the normalisation
    normalise(components_, layout_.areaSize);
    area_->elementsChanged();
}

void BoardForm::layoutPanels() {
    const int h1 = layout_.panel.height;
    panel1_->setGeometry(0, 0, width(), h1);
    panel2_->setGeometry(0, h1, width(), qMax(0, height() - h1));
    if (zoom_ == 1.0)
        area_->setGeometry(1, 1, qMax(0, panel2_->width() - 2), qMax(0, panel2_->height() - 2));
    else
        area_->setGeometry(QRect(QPoint(1, 1), zoom::scaled(layout_.areaSize, zoom_)));
    // The link layer is aligned to the whole board area.
    if (linkLayer_ >= 0)
        components_[linkLayer_].rect = QRect(QPoint(0, 0), area_->designedSize());
}

QSize BoardForm::sizeAt(double z) const {
    const QSize grown = zoom::scaled(layout_.areaSize, z) - layout_.areaSize;
    return QSize(layout_.clientSize.width() + std::max(0, grown.width()), layout_.clientSize.height() + grown.height());
}

double BoardForm::zoomToFit(const QSize& room) const {
    const QSize frame = layout_.clientSize - layout_.areaSize; // the panel above and the frame's edges
    const QSize left = room - frame;
    if (left.width() <= 0 || left.height() <= 0 || layout_.areaSize.isEmpty())
        return zoom::kMin;
    const double z = std::min(double(left.width()) / layout_.areaSize.width(),
                              double(left.height()) / layout_.areaSize.height());
    return std::clamp(z, zoom::kMin, zoom::kMax);
}

void BoardForm::setZoom(double z) {
    z = std::clamp(z, zoom::kMin, zoom::kMax);
    if (z == zoom_)
        return;
    zoom_ = z;
    area_->setZoom(z);
    zoomChildren(area_, z);
    zoomChildren(panel2_, z);
    if (layout_.fixedBorder)
        setFixedSize(sizeAt(z));
    else
        resize(sizeAt(z));
    layoutPanels();
    emit zoomChanged(z);
}

void BoardForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutPanels();
}

void BoardForm::dockInto(QWidget* panel) {
    const bool fixed = layout_.fixedBorder;
    setParent(panel, Qt::Widget);
    // Opaque like the window it was: what lies under it in the panel is then not painted at all.
    setAutoFillBackground(true);
    move(0, 0);
    if (fixed)
        setFixedSize(sizeAt(zoom_));
    else
        resize(sizeAt(zoom_));
}

void BoardForm::connectHandlers() {
    auto guard = [this](void (BoardForm::*handler)()) {
        return [this, handler] { errorreport::guarded([&] { (this->*handler)(); }); };
    };
    if (layout_.panel.typeHandler)
        connect(rgtype_, &TRadioGroup::clicked, this, guard(&BoardForm::RGTYPEClick));
    connect(cbExam_, &QComboBox::activated, this, guard(&BoardForm::cbExamChange));
    connect(prev_, &QPushButton::clicked, this, guard(&BoardForm::BitBtn_prevClick));
    connect(next_, &QPushButton::clicked, this, guard(&BoardForm::BitBtn_nextClick));
    connect(yaoqiu_, &QPushButton::clicked, this, guard(&BoardForm::BitBtn_yaoqiuClick));
    connect(result_, &QPushButton::clicked, this, guard(&BoardForm::BitBtn_resultClick));
    connect(descrip_, &QPushButton::clicked, this, guard(&BoardForm::bbtn_descripClick));
    connect(sch_, &QPushButton::clicked, this, guard(&BoardForm::BitBtn_schClick));
    connect(flow_, &QPushButton::clicked, this, guard(&BoardForm::BitBtn_flowClick));
    wireInstrumentClicks(*this);
}

void BoardForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        errorreport::guarded([&] { FormShow(); });
}

int BoardForm::indexOf(const QString& name) const {
    for (int i = 0; i < components_.size(); ++i)
        if (components_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QWidget* BoardForm::widgetOf(int index) const { return widgets_.value(index); }

void BoardForm::sizeLabels() const {
    // Labels size themselves to their text. That needs the board's font, which no other part of a hidden
    // form uses, so it is measured when the sizes are first needed rather than when the form is made.
    if (labelsSized_)
        return;
    labelsSized_ = true;
    for (Component& c : components_)
        if (c.kind == ComponentKind::Label)
            c.rect.setSize(area_->labelSize(c.caption));
}

QRect BoardForm::componentRect(int index) const {
    sizeLabels();
    const Component& c = components_[index];
    // The frame's inner area, and with it the board area, begins at 1,1.
    return c.frame ? c.rect.translated(-1, -1) : c.rect;
}

int BoardForm::cpuTypeOfItem(int item) const {
    const QList<TypeItem>& types = layout_.panel.types;
    return item >= 0 && item < types.size() ? types[item].cpuType : CpuNone;
}

int BoardForm::selectedCpuType() const { return cpuTypeOfItem(rgtype_->itemIndex()); }

void BoardForm::fillList() {
    FillExperimentList(static_cast<uint8_t>(ExperimentRecord.CpuType), cbExam_);
    // A refilled list has no selected experiment (a Qt combo box selects its first new item by itself).
    cbExam_->setCurrentIndex(-1);
}

void BoardForm::FormShow() {
    ExperimentRecord.CpuType = selectedCpuType();
    fillList();
}

void BoardForm::RGTYPEClick() {
    cbExam_->clear();
    for (QPushButton* b : {descrip_, prev_, next_, yaoqiu_, result_, sch_, flow_})
        b->setEnabled(false);
    ExperimentRecord.CpuType = selectedCpuType();
    fillList();
}

void BoardForm::cbExamChange() {
    area_->Refresh();
    LoadExperiment(cbExam_->currentText(), static_cast<uint8_t>(ExperimentRecord.CpuType));
    stTishi_->setCaption(QStringLiteral("实验接线表:[入口地址:") + ExperimentRecord.EntryAddress.toString() +
                         QStringLiteral("]\r") + ExperimentRecord.WiringText.toString());
    StepIndex = -1;
    if (cbExam_->currentIndex() >= 0) {
        descrip_->setEnabled(true);
        if (layout_.panel.disablePrevOnChoice)
            prev_->setEnabled(false);
        if (LastStep >= 0)
            next_->setEnabled(true);
        for (QPushButton* b : {yaoqiu_, result_, sch_, flow_})
            b->setEnabled(true);
    }
}

void BoardForm::drawStep(int index) {
    // The list may be shorter than LastStep claims, or not created yet: such a step draws nothing.
    if (WiringSteps && index >= 0 && index < WiringSteps->size())
        DrawWiringStep((*WiringSteps)[index], *this, *area_);
    emit stepTried(index);
}

void BoardForm::updateStepButtons() {
    next_->setEnabled(StepIndex != LastStep);
    prev_->setEnabled(StepIndex >= 0);
}

void BoardForm::BitBtn_nextClick() {
    ++StepIndex;
    if (StepIndex >= 0 && StepIndex <= LastStep)
        drawStep(StepIndex);
    if (StepIndex > LastStep)
        StepIndex = LastStep;
    updateStepButtons();
}

void BoardForm::BitBtn_prevClick() {
    if (StepIndex >= 0)
        drawStep(StepIndex);
    --StepIndex;
    if (StepIndex < 0)
        StepIndex = -1;
    updateStepButtons();
}

void BoardForm::BitBtn_yaoqiuClick() {
    if (const auto& show = viewerHooks().showText)
        show(QStringLiteral("实验要求: ") + ExperimentRecord.ExperimentName.toString(),
             ExperimentRecord.Requirement.toString());
}

void BoardForm::BitBtn_resultClick() {
    if (const auto& show = viewerHooks().showText)
        show(QStringLiteral("实验目的: ") + ExperimentRecord.ExperimentName.toString(), ExperimentRecord.Purpose.toString());
}

void BoardForm::bbtn_descripClick() {
    if (const auto& show = viewerHooks().showText)
        show(QStringLiteral("实验说明: ") + ExperimentRecord.ExperimentName.toString(), decode(Description));
}

void BoardForm::showPictureFile(const QByteArray& storedName, const QString& titlePrefix) {
    const QString path = contentfolder::resolve(QStringLiteral("pic\\") + decode(storedName));
    // Only a file opens the viewer; an empty name composes the pic folder itself, which is none.
    if (!QFileInfo(path).isFile())
        return;
    if (const auto& show = viewerHooks().showPicture)
        show(path, titlePrefix + ExperimentRecord.ExperimentName.toString());
}

void BoardForm::BitBtn_schClick() { showPictureFile(ExperimentRecord.CircuitPicture.bytes(), QStringLiteral("电路图: ")); }

void BoardForm::BitBtn_flowClick() {
    showPictureFile(ExperimentRecord.FlowChartPicture.bytes(), QStringLiteral("流程图: "));
}

bool BoardForm::clickWired(int index) const {
    return index >= 0 && index < components_.size() && components_[index].click &&
           (components_[index].kind == ComponentKind::Block || components_[index].kind == ComponentKind::Widget);
}

void BoardForm::sb_cpuClick(int index) {
    if (!clickWired(index))
        return;
    const Component& c = components_[index];
    // Widgets have no caption text of their own.
    const QString caption = c.kind == ComponentKind::Block ? c.caption : QString();
    // The picture is named by the component as stored; a name without a key asks for ".jpg".
    if (const auto& show = viewerHooks().showReferencePicture)
        show(blockKey(c.name) + QStringLiteral(".jpg"), caption);
}
