#include "app/ToolsMenu.h"

#include "app/mainform.h"
#include "base/ContentFolder.h"
#include "base/ErrorReport.h"
#include "base/ProgramFolder.h"
#include "boards/BoardForm.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "engine/CatalogueSource.h"
#include "engine/linksheet.h"
#include "base/Gbk.h"
#include "handout/Handout.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProcess>
#include <QTimer>

namespace app {

namespace {

ToolsMenu::SaveChooser& saveChooser() {
    static ToolsMenu::SaveChooser chooser;
    return chooser;
}

QString withSlash(QString dir) { return dir.isEmpty() || dir.endsWith(u'/') ? dir : dir + u'/'; }

} // namespace

QMenu* toolsMenuOf(Tmainform& window) {
    if (QMenu* menu = window.menuBar()->findChild<QMenu*>(QStringLiteral("N_tools")))
        return menu;
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("工具(&T)"));
    menu->setObjectName(QStringLiteral("N_tools"));
    return menu;
}

void ToolsMenu::setSaveChooser(SaveChooser chooser) { saveChooser() = std::move(chooser); }

ToolsMenu* ToolsMenu::of(const Tmainform& window) { return window.findChild<ToolsMenu*>(QStringLiteral("ToolsMenu")); }

ToolsMenu::ToolsMenu(Tmainform& window) : QObject(&window), window_(window) {
    setObjectName(QStringLiteral("ToolsMenu"));
    QMenu* menu = toolsMenuOf(window);
    print_ = menu->addAction(QStringLiteral("打印实验指导书…(&P)"));
    print_->setObjectName(QStringLiteral("N_printHandout"));
    print_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    export_ = menu->addAction(QStringLiteral("导出实验指导书 (PDF)…(&D)"));
    export_->setObjectName(QStringLiteral("N_exportHandout"));
    menu->addSeparator();
    QAction* editorItem = menu->addAction(QStringLiteral("实验编辑器(&E)"));
    editorItem->setObjectName(QStringLiteral("labeditItem"));
    connect(editorItem, &QAction::triggered, this, [] {
        // It edits the catalogue of this working folder (the current folder, as for the program).
        if (!QProcess::startDetached(programfolder::path() + QStringLiteral("labedit"), {}, QDir::currentPath()))
            errorreport::report(QStringLiteral("无法启动实验编辑器"));
    });
    connect(print_, &QAction::triggered, this, [this] { errorreport::guarded([this] { print(); }); });
    connect(export_, &QAction::triggered, this, [this] { errorreport::guarded([this] { exportPdf(); }); });

    // The items follow the experiment choice and the model choice, after their own handlers have run.
    auto later = [this] { QTimer::singleShot(0, this, &ToolsMenu::updateActions); };
    connect(menu, &QMenu::aboutToShow, this, &ToolsMenu::updateActions);
    connect(window.menuBar(), &QMenuBar::triggered, this, later);
    for (BoardForm* form : {static_cast<BoardForm*>(FRM_QK740X), static_cast<BoardForm*>(Frm_620x),
                            static_cast<BoardForm*>(Frm310x1), static_cast<BoardForm*>(frm8086)})
        if (form)
            connect(form->cbExam(), &QComboBox::currentIndexChanged, this, later);
    updateActions();
}

bool ToolsMenu::experimentCurrent() const {
    const BoardForm* board = window_.DockedBoard;
    return board && board->cbExam()->currentIndex() >= 0 && !ExperimentRecord.ExperimentName.isEmpty();
}

void ToolsMenu::updateActions() {
    const bool on = experimentCurrent();
    print_->setEnabled(on);
    export_->setEnabled(on);
}

CatalogueRow ToolsMenu::currentExperiment() const {
    const QString name = ExperimentRecord.ExperimentName.toString();
    const int type = ExperimentRecord.CpuType;
    // The catalogue's row, whole: the record's texts are cut to their field sizes.
    if (CatalogueConnection* connection = engine::catalogue()) {
        for (const CatalogueRow& row : cataloguesource::readCatalogue(*connection))
            if (row.cpuType == type && row.name == name)
                return row;
    }
    CatalogueRow e;
    e.name = name;
    e.cpuType = type;
    e.entry = ExperimentRecord.EntryAddress.toString();
    e.program = ExperimentRecord.ProgramFile.toString();
    e.circuit = ExperimentRecord.CircuitPicture.toString();
    e.flowChart = ExperimentRecord.FlowChartPicture.toString();
    e.wiring = ExperimentRecord.WiringText.toString();
    e.purpose = ExperimentRecord.Purpose.toString();
    e.requirement = ExperimentRecord.Requirement.toString();
    e.description = gbk::decode(Description);
    return e;
}

void ToolsMenu::print() {
    updateActions();
    if (!experimentCurrent())
        return;
    const CatalogueRow e = currentExperiment();
    handout::Maker maker(window_.DockedBoard->board(),
                         {withSlash(contentfolder::workingFolder()), withSlash(programfolder::path())});
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(e.name);
    QPrintPreviewDialog dialog(&printer, &window_);
    dialog.setWindowTitle(QStringLiteral("打印实验指导书: ") + e.name);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter* p) { errorreport::guarded([&] { maker.paint(*p, e); }); });
    dialog.exec();
}

void ToolsMenu::exportPdf() {
    updateActions();
    if (!experimentCurrent())
        return;
    const CatalogueRow e = currentExperiment();
    const QString proposed = QDir(contentfolder::workingFolder()).filePath(handout::fileNameFor(e.name) + ".pdf");
    QString path;
    if (saveChooser())
        path = saveChooser()(&window_, proposed);
    else
        path = QFileDialog::getSaveFileName(&window_, QStringLiteral("导出实验指导书 (PDF)"), proposed,
                                            QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    handout::Maker maker(window_.DockedBoard->board(),
                         {withSlash(contentfolder::workingFolder()), withSlash(programfolder::path())});
    maker.writePdf(path, e);
}

} // namespace app
