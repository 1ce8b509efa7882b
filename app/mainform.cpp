#include "app/mainform.h"

#include "app/DockZoom.h"
#include "app/MenuSeparatorStyle.h"
#include "app/MenuTable.h"
#include "app/RunMenu.h"
#include "app/SourceTab.h"
#include "app/VideoTab.h"
#include "base/ErrorReport.h"
#include "boards/BoardInfo.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "boards/ViewerHooks.h"
#include "engine/linksheet.h"
#include "source/SynEdit.h"
#include "viewers/ReferenceMenu.h"
#include "viewers/U_Edit.h"
#include "viewers/U_sch.h"

#include <QActionGroup>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QUrl>

Tmainform* mainform = nullptr;

const QString Tmainform::Caption = QStringLiteral("实验演示向导");
const QString Tmainform::WebAddress = QStringLiteral("www.tarvel.cn");

namespace {

QFont designedFont(const QString& family, int pixels, bool bold = false, bool italic = false) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

} // namespace

DockPanel::DockPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
}

void DockPanel::setCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void DockPanel::setCaptionFont(const QFont& font) {
    captionFont_ = font;
    update();
}

void DockPanel::setCaptionColor(const QColor& color) {
    captionColor_ = color;
    update();
}

void DockPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setFont(captionFont_);
    p.setPen(captionColor_);
    p.drawText(rect(), Qt::AlignCenter, caption_);
}

Tmainform::Tmainform(QWidget* parent) : QMainWindow(parent) {
    setObjectName("mainform");
    setWindowTitle(Caption);
    setWindowIcon(app::programIcon());
    setFont(designedFont(QStringLiteral("MS Sans Serif"), 11));
    setMinimumSize(125, 50);
    buildTabs();
    buildMenu();
    FormCreate();
    // Client area 805 x 644 below the menu bar, centred on the screen; never larger than the screen's free
    // area with the window's frame, so a small or scaled screen shows the whole window (the board fits it).
    QSize size(805, 644 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        const int edge = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth);
        const QSize fitted = size.boundedTo(QSize(free.width() - 2 * edge, free.height() - titleBar - 2 * edge));
        OpenedFitted = fitted != size;
        size = fitted;
        resize(size);
        move(free.center() - rect().center());
    } else {
        resize(size);
    }
}

Tmainform::~Tmainform() {
    // A running program ends while the window is still whole.
    if (auto* run = app::RunMenu::of(*this))
        run->windowClosing();
    // The zoom watches the board tab, which goes with the window's children.
    delete app::DockZoom::of(*this);
    engine::setSourceView(nullptr);
    engine::setWarningOwner(nullptr);
    if (engine::catalogue() == &ADOConnection1)
        engine::setCatalogue(nullptr);
    if (mainform == this)
        mainform = nullptr;
}

void Tmainform::buildTabs() {
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    setCentralWidget(PageControl1);

    TabSheet1 = new QWidget(PageControl1); // a child from the start, so its controls are made with the form's font
    TabSheet1->setObjectName("TabSheet1");
    SynEdtasm = new TSynEdit(TabSheet1);
    SynEdtasm->setObjectName("SynEdtasm");
    auto fill = [](QWidget* page, QWidget* child) {
        auto* l = new QHBoxLayout(page);
        l->setContentsMargins(0, 0, 0, 0);
        l->addWidget(child);
    };
    fill(TabSheet1, SynEdtasm);
    SynEdtasm->setHighlighter(SynAsmSyn88());
    PageControl1->addTab(TabSheet1, QStringLiteral("源程序"));

    TabSheet2 = new QWidget(PageControl1); // a child from the start, so its controls are made with the form's font
    TabSheet2->setObjectName("TabSheet2");
    pnl_dock = new DockPanel(TabSheet2);
    pnl_dock->setObjectName("pnl_dock");
    const QFont panelFont = designedFont(QStringLiteral("隶书"), 80, true, true);
    pnl_dock->setCaptionFont(panelFont);
    pnl_dock->setCaptionColor(QColor(192, 192, 192));
    pnl_dock->setCaption(QStringLiteral("Tarvel  祝您成功"));
    QPalette silver = pnl_dock->palette();
    silver.setColor(QPalette::WindowText, QColor(192, 192, 192));
    // A zoomed board larger than the tab scrolls; fitted, the panel is as large as the tab.
    auto* scroller = new QScrollArea(TabSheet2);
    scroller->setObjectName("pnl_dockScroller");
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(pnl_dock);
    fill(TabSheet2, scroller);

    auto label = [&](const char* name, const QString& text, QRect geometry, const QFont& font) {
        auto* l = new QLabel(text, pnl_dock);
        l->setObjectName(name);
        l->setGeometry(geometry);
        l->setFont(font);
        l->setPalette(silver);
        return l;
    };
    Label1 = label("Label1", WebAddress, {152, 120, 505, 80}, panelFont);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);
    const QFont small = designedFont(QStringLiteral("隶书"), 27, true, true);
    Label2 = label("Label2", QStringLiteral("技术支持:010-00000000"), {48, 400, 337, 25}, small);
    Label3 = label("Label3", QStringLiteral("销售热线:010-00000001"), {48, 432, 326, 27}, small);
    PageControl1->addTab(TabSheet2, QStringLiteral("机器布局"));

    TabSheet3 = new QWidget(PageControl1); // a child from the start, so its controls are made with the form's font
    TabSheet3->setObjectName("TabSheet3");
    videoTab_ = std::make_unique<VideoTab>(TabSheet3, this);
    PageControl1->addTab(TabSheet3, QStringLiteral("视频区"));

    PageControl1->setCurrentWidget(TabSheet2);
}

void Tmainform::buildMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName("MainMenu1");
    modelGroup_ = new QActionGroup(this);
    modelGroup_->setExclusive(true);

    // The menu tree from its table: the last menu seen at each depth receives the deeper items.
    QMenu* menus[3] = {nullptr, nullptr, nullptr};
    QString usedKeys[3];
    const QList<menutable::Item>& items = menutable::items();
    for (int i = 0; i < items.size(); ++i) {
        const menutable::Item& it = items[i];
        const QString caption = QString::fromUtf8(it.caption);
        const bool hasChildren = i + 1 < items.size() && items[i + 1].depth > it.depth;
        if (caption == "-") {
            // Qt would hide a separator that opens its menu, or draw it into the menu's frame; every separator
            // of the table is meant to show.
            QMenu* menu = menus[it.depth - 1];
            if (menu->separatorsCollapsible()) {
                menu->setSeparatorsCollapsible(false);
                menu->setStyle(new MenuSeparatorStyle(menu));
            }
            QAction* sep = menu->addSeparator();
            sep->setObjectName(it.name);
            menuItems_.insert(it.name, sep);
            continue;
        }
        const QString shown = menutable::withAccessKey(caption, usedKeys[it.depth]);
        if (hasChildren) {
            QMenu* menu = it.depth == 0 ? MainMenu1->addMenu(shown) : menus[it.depth - 1]->addMenu(shown);
            menu->setObjectName(it.name);
            menu->menuAction()->setObjectName(it.name);
            menuItems_.insert(it.name, menu->menuAction());
            menus[it.depth] = menu;
            if (it.depth + 1 < 3)
                usedKeys[it.depth + 1].clear();
            continue;
        }
        QAction* action = menus[it.depth - 1]->addAction(shown);
        action->setObjectName(it.name);
        menuItems_.insert(it.name, action);
        switch (it.handler) {
        case menutable::Handler::Reference:
            referenceItems_ << action;
            connect(action, &QAction::triggered, this, [action] { errorreport::guarded([&] { n_ic89s52Click(action); }); });
            break;
        case menutable::Handler::ActQK740X:
        case menutable::Handler::QK620X:
        case menutable::Handler::QK310X1:
        case menutable::Handler::QK930X: {
            action->setCheckable(true);
            modelGroup_->addAction(action);
            void (Tmainform::*handler)() = it.handler == menutable::Handler::ActQK740X ? &Tmainform::ActQK740XExecute
                                           : it.handler == menutable::Handler::QK620X  ? &Tmainform::QK620XClick
                                           : it.handler == menutable::Handler::QK310X1 ? &Tmainform::QK310X1Click
                                                                                       : &Tmainform::QK930XClick;
            connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
            break;
        }
        case menutable::Handler::None:
            break;
        }
    }
}

void Tmainform::FormCreate() {
    engine::CreateWiringSteps();
    engine::setCatalogue(&ADOConnection1);
    engine::setWarningOwner(this);
    sourceTab_ = std::make_unique<SourceTab>(SynEdtasm, &highlighters);
    engine::setSourceView(sourceTab_.get());
}

void Tmainform::FormClose() { engine::DestroyWiringSteps(); }

void Tmainform::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    // Closing the main window ends the program, whatever other windows exist.
    QCoreApplication::quit();
}

bool Tmainform::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && Label1->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Label1Click();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tmainform::Label1Click() {
    // The desktop's browser; a failure is ignored without a message.
    QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + WebAddress));
}

void Tmainform::chooseModel(const QString& itemName, const QString& model, BoardForm* form, int cpuType) {
    errorreport::guarded([&] {
        ResetExperiment();
        // The step cursor is back before the first step: no connection may stay drawn, neither on the
        // board shown now (which stays if the choice fails) nor on the one about to be shown.
        for (BoardForm* board : {DockedBoard, form})
            if (board)
                board->PaintBox_link().Refresh();
        if (QAction* item = menuItem(itemName))
            item->setChecked(true);
        setWindowTitle(Caption + QStringLiteral("  当前机型:") + model);
        FillExperimentList(static_cast<uint8_t>(cpuType), form->cbExam());
        if (DockedBoard)
            DockedBoard->close();
        DockedBoard = form;
        form->dockInto(pnl_dock);
        form->show();
        if (auto* zoom = app::DockZoom::of(*this))
            zoom->apply();
    });
}

void Tmainform::ActQK740XExecute() {
    chooseModel("QK740X", boards::boardDisplayName("QK740X"), FRM_QK740X, 1);
}
void Tmainform::QK620XClick() {
    chooseModel("QK620X", boards::boardDisplayName("QK620X"), Frm_620x, 2);
}
void Tmainform::QK310X1Click() {
    chooseModel("QK310X1", boards::boardDisplayName("QK310X"), Frm310x1, 1);
}
void Tmainform::QK930XClick() {
    chooseModel("QK930X", boards::boardDisplayName("QK930X"), frm8086, 2);
}
