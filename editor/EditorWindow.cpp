#include "editor/EditorWindow.h"

#include "base/ContentFolder.h"
#include "base/Gbk.h"
#include "base/ProgramFolder.h"
#include "base/ReplaceFile.h"
#include "editor/EditedColumns.h"
#include "editor/ExperimentListPane.h"
#include "editor/FieldsPane.h"
#include "editor/PicturePreview.h"
#include "editor/PreviewTabs.h"
#include "editor/TrialRun.h"
#include "editor/ViewerLines.h"
#include "editor/WiringCheck.h"
#include "editor/WiringPane.h"
#include "engine/Catalogue.h"
#include "packs/PackArchive.h"
#include "packs/PackMerge.h"
#include "source/SynEdit.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>

#include <cstdio>

namespace editor {

namespace {

const QString kTitle = QStringLiteral("实验编辑器");

// One edit of the rows: both states kept whole, so undo and redo are exact. Typing into one field of one row
// merges into one edit.
class RowsEdit : public QUndoCommand {
public:
    RowsEdit(EditorWindow* window, QList<CatalogueRow> before, QList<CatalogueRow> after, int selectBefore,
             int selectAfter, const QString& what, int key)
        : QUndoCommand(what), window_(window), before_(std::move(before)), after_(std::move(after)),
          selectBefore_(selectBefore), selectAfter_(selectAfter), key_(key) {}
    void redo() override { window_->applyRows(after_, selectAfter_); }
    void undo() override { window_->applyRows(before_, selectBefore_); }
    int id() const override { return key_; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* o = static_cast<const RowsEdit*>(other);
        if (o->selectBefore_ != selectAfter_ || o->selectAfter_ != selectAfter_)
            return false;
        after_ = o->after_;
        return true;
    }

private:
    EditorWindow* window_;
    QList<CatalogueRow> before_, after_;
    int selectBefore_, selectAfter_, key_;
};

} // namespace

EditorWindow::EditorWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("EditorWindow"));
    askUnsaved = [this] {
        QMessageBox box(QMessageBox::Question, kTitle, QStringLiteral("实验目录已修改，是否保存？"),
                        QMessageBox::NoButton, this);
        QPushButton* saveButton = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
        QPushButton* discardButton = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.exec();
        return box.clickedButton() == saveButton      ? Answer::Save
               : box.clickedButton() == discardButton ? Answer::Discard
                                                      : Answer::Cancel;
    };
    tell = [this](const QString& text) { QMessageBox::warning(this, kTitle, text); };
    askClashes = [this](const QStringList& clashes) {
        // A long list is cut: the box must fit the screen.
        constexpr int shown = 20;
        QStringList lines = clashes.mid(0, shown);
        if (clashes.size() > shown)
            lines << QStringLiteral("……另有 %1 项").arg(clashes.size() - shown);
        QMessageBox box(QMessageBox::Question, kTitle,
                        QStringLiteral("实验包中的以下内容与工作目录中现有的不同：\n%1\n\n"
                                       "替换：用实验包中的；保留：保留现有的；取消：不导入任何内容。")
                            .arg(lines.join('\n')),
                        QMessageBox::NoButton, this);
        QPushButton* replace = box.addButton(QStringLiteral("替换"), QMessageBox::AcceptRole);
        QPushButton* keep = box.addButton(QStringLiteral("保留"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.exec();
        return box.clickedButton() == replace ? ClashAnswer::Replace
               : box.clickedButton() == keep  ? ClashAnswer::Keep
                                              : ClashAnswer::Cancel;
    };
    confirm = [this](const QString& text) {
        return QMessageBox::question(this, kTitle, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };

    auto* splitter = new QSplitter(this);
    list_ = new ExperimentListPane(this);
    splitter->addWidget(list_);
    tabs_ = new QTabWidget(splitter);
    fields_ = new FieldsPane(this);
    tabs_->addTab(fields_, QStringLiteral("实验内容"));
    wiring_ = new WiringPane(this);
    tabs_->addTab(wiring_, QStringLiteral("接线"));
    previews_ = new PreviewTabs(*tabs_);
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    buildMenus();
    connectPanes();
    connect(&undo_, &QUndoStack::cleanChanged, this, [this] { refreshTitle(); });
    noCatalogue_ = new QLabel(this);
    noCatalogue_->setObjectName(QStringLiteral("noCatalogue"));
    noCatalogue_->setStyleSheet(QStringLiteral("color: #b00000"));
    statusBar()->addWidget(noCatalogue_, 1);
    resize(1200, 820);
    applyRows({}, -1);
}

// Ends a run before the panes (and the board it runs on) go.
EditorWindow::~EditorWindow() { trial_->stop(); }

void EditorWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    QAction* open = file->addAction(QStringLiteral("打开(&O)…"), this, [this] { openDialog(); });
    open->setShortcut(QKeySequence::Open);
    // After labguide has been closed: the catalogue it held, tried again.
    file->addAction(QStringLiteral("重新打开(&R)"), this, [this] {
        if (!attemptedPath_.isEmpty() && maybeSave())
            openCatalogue(attemptedPath_);
    });
    QAction* saveAction = file->addAction(QStringLiteral("保存(&S)"), this, [this] { save(); });
    saveAction->setShortcut(QKeySequence::Save);
    file->addSeparator();
    file->addAction(QStringLiteral("导出实验包…"), this, [this] { exportPack(); })
        ->setObjectName("exportPack");
    file->addAction(QStringLiteral("导入实验包…"), this, [this] { importPack(); })
        ->setObjectName("importPack");
    file->addSeparator();
    file->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    QAction* undoAction = undo_.createUndoAction(this, QStringLiteral("撤销"));
    undoAction->setShortcut(QKeySequence::Undo);
    QAction* redoAction = undo_.createRedoAction(this, QStringLiteral("重做"));
    redoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence::Redo});
    edit->addAction(undoAction);
    edit->addAction(redoAction);
}

void EditorWindow::connectPanes() {
    list_->typeChosen = [this](int cpuType) { showType(cpuType); };
    list_->itemChosen = [this](int item) {
        const QList<int> rows = set_.rowsOfType(type_);
        selectRow(item >= 0 && item < rows.size() ? rows[item] : -1);
    };
    // A name that cannot be taken is asked again, with what was typed.
    list_->newClicked = [this] {
        QString name;
        for (bool ok = true; ok;) {
            name = QInputDialog::getText(this, kTitle, QStringLiteral("实验名称："), QLineEdit::Normal, name, &ok);
            if (ok && newExperiment(name))
                break;
        }
    };
    list_->duplicateClicked = [this] { duplicateExperiment(); };
    list_->renameClicked = [this] {
        if (row_ < 0)
            return;
        QString name = set_.rows[row_].name;
        for (bool ok = true; ok;) {
            name = QInputDialog::getText(this, kTitle, QStringLiteral("实验名称："), QLineEdit::Normal, name, &ok);
            if (ok && renameExperiment(name))
                break;
        }
    };
    list_->deleteClicked = [this] {
        if (row_ >= 0 && confirm(QStringLiteral("删除实验“%1”？").arg(set_.rows[row_].name)))
            deleteExperiment();
    };

    fields_->fieldEdited = [this](QString CatalogueRow::*field, const QString& text) { fieldEdited(field, text); };
    fields_->nameEdited = [this](const QString& name) { return renameExperiment(name); };
    fields_->cpuTypeChosen = [this](int cpuType) { cpuTypeChosen(cpuType); };
    fields_->chooseFileClicked = [this](QString CatalogueRow::*field) { chooseFile(field); };

    wiring_->stepsEdited = [this](const QStringList& steps, int select) { setSteps(steps, select); };
    wiring_->tell = [this](const QString& text) { tell(text); };
    // The board a run is on is deleted with its holder: the run ends first.
    wiring_->boardChanging = [this] {
        if (trial_)
            trial_->stop();
    };
    wiring_->boardChosen = [this] {
        if (trial_)
            trial_->changed();
    };

    trial_ = new TrialRun(*this, *previews_->sourcePage(), *previews_->source(), [this](bool content) {
        TrialRun::Trial trial;
        trial.chosen = row_ >= 0;
        trial.form = wiring_->boardForm();
        if (row_ >= 0) {
            const CatalogueRow& r = set_.rows[row_];
            trial.identity = QStringLiteral("%1\n%2\n%3").arg(row_).arg(r.name, r.program);
            trial.cpuType = r.cpuType;
        }
        if (content) {
            trial.source = previews_->source()->Lines().join("\r\n");
            for (const QString& step : wiring_->currentSteps())
                trial.steps << gbk::encode(step);
        }
        return trial;
    });
    trial_->showSource = [this] { tabs_->setCurrentWidget(previews_->sourcePage()); };
    trial_->showBoard = [this] { tabs_->setCurrentWidget(wiring_); };
}

bool EditorWindow::openCatalogue(const QString& path) {
    attempted_ = QFileInfo(path).absolutePath();
    attemptedPath_ = QFileInfo(path).absoluteFilePath();
    try {
        ExperimentSet opened = ExperimentSet::open(path);
        set_ = std::move(opened);
    } catch (const std::exception& e) {
        openFailure_ = QString::fromStdString(e.what());
        refreshTitle();
        tell(openFailure_);
        return false;
    }
    openFailure_.clear();
    contentfolder::setWorkingFolder(set_.workingFolder());
    undo_.clear();
    int type = 1;
    while (type < 4 && set_.rowsOfType(type).isEmpty())
        ++type;
    const QList<int> rows = set_.rowsOfType(type);
    type_ = type;
    applyRows(set_.rows, rows.isEmpty() ? -1 : rows.first());
    return true;
}

void EditorWindow::openDialog() {
    if (!maybeSave())
        return;
    // Where the last catalogue was (or was tried: one labguide held at the start).
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("打开实验目录"), attempted_,
                                                      QStringLiteral("实验目录 (*.mdb);;所有文件 (*)"));
    if (!path.isEmpty())
        openCatalogue(path);
}

bool EditorWindow::save() {
    if (set_.path().isEmpty()) {
        tell(QStringLiteral("没有打开实验目录，无法保存。请用“文件 → 打开”或“重新打开”打开一个实验目录。"));
        return false;
    }
    // The text viewer does not wrap: long lines are broken as the bundled texts are, as an edit of its own
    // that the fields show and undo takes back.
    QList<CatalogueRow> broken;
    for (const CatalogueRow& r : set_.rows)
        broken << withViewerLines(r);
    if (broken != set_.rows)
        editRows(broken, row_, QStringLiteral("长行折行"));
    if (const QStringList blockers = set_.saveBlockers(); !blockers.isEmpty()) {
        tell(QStringLiteral("不能保存：\n") + blockers.join('\n'));
        return false;
    }
    if (const QStringList warnings = set_.saveWarnings();
        !warnings.isEmpty() &&
        !confirm(QStringLiteral("以下内容载入时会被截断：\n%1\n\n仍然保存吗？").arg(warnings.join('\n'))))
        return false;
    try {
        set_.save();
    } catch (const CatalogueInUse& e) {
        tell(e.message());
        return false;
    } catch (const replacefile::NoSpaceError&) {
        tell(QStringLiteral("保存失败：磁盘空间不足"));
        return false;
    } catch (const Error& e) {
        tell(QStringLiteral("保存失败：%1").arg(e.message()));
        return false;
    } catch (const std::exception& e) {
        tell(QStringLiteral("保存失败：%1").arg(QString::fromStdString(e.what())));
        return false;
    }
    undo_.setClean();
    statusBar()->showMessage(QStringLiteral("已保存"), 3000);
    return true;
}

void EditorWindow::showType(int cpuType) {
    if (cpuType < 1 || cpuType > 4)
        return;
    type_ = cpuType;
    const QList<int> rows = set_.rowsOfType(cpuType);
    applyRows(set_.rows, rows.isEmpty() ? -1 : rows.first());
}

void EditorWindow::selectRow(int row) {
    if (row == row_)
        return;
    applyRows(set_.rows, row);
}

bool EditorWindow::newExperiment(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        tell(QStringLiteral("实验名称不能为空"));
        return false;
    }
    if (set_.nameTaken(type_, trimmed)) {
        tell(QStringLiteral("类型 %1 已有名为“%2”的实验").arg(typeCaptions()[type_ - 1], trimmed));
        return false;
    }
    QList<CatalogueRow> rows = set_.rows;
    CatalogueRow row;
    row.name = trimmed;
    row.cpuType = type_;
    // After the last experiment of its type, so that the type's list keeps its order.
    const QList<int> ofType = set_.rowsOfType(type_);
    const int at = ofType.isEmpty() ? int(rows.size()) : ofType.last() + 1;
    rows.insert(at, row);
    editRows(rows, at, QStringLiteral("新建实验"));
    return true;
}

bool EditorWindow::renameExperiment(const QString& name) {
    if (row_ < 0)
        return false;
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        tell(QStringLiteral("实验名称不能为空"));
        return false;
    }
    if (set_.nameTaken(set_.rows[row_].cpuType, trimmed, row_)) {
        tell(QStringLiteral("类型 %1 已有名为“%2”的实验")
                 .arg(typeCaptions()[set_.rows[row_].cpuType - 1], trimmed));
        return false;
    }
    QList<CatalogueRow> rows = set_.rows;
    rows[row_].name = trimmed;
    editRows(rows, row_, QStringLiteral("重命名实验"));
    return true;
}

void EditorWindow::duplicateExperiment() {
    if (row_ < 0)
        return;
    QList<CatalogueRow> rows = set_.rows;
    CatalogueRow copy = rows[row_];
    copy.name = set_.freeName(copy.cpuType, copy.name + QStringLiteral(" 副本"));
    rows.insert(row_ + 1, copy);
    editRows(rows, row_ + 1, QStringLiteral("复制实验"));
}

void EditorWindow::deleteExperiment() {
    if (row_ < 0)
        return;
    QList<CatalogueRow> rows = set_.rows;
    const int type = rows[row_].cpuType;
    rows.removeAt(row_);
    int next = -1;
    for (int i = row_; i < rows.size() && next < 0; ++i)
        if (rows[i].cpuType == type)
            next = i;
    for (int i = row_ - 1; i >= 0 && next < 0; --i)
        if (rows[i].cpuType == type)
            next = i;
    editRows(rows, next, QStringLiteral("删除实验"));
}

void EditorWindow::editRows(const QList<CatalogueRow>& rows, int select, const QString& what, int mergeKey) {
    undo_.push(new RowsEdit(this, set_.rows, rows, row_, select, what, mergeKey));
}

void EditorWindow::applyRows(const QList<CatalogueRow>& rows, int select) {
    set_.rows = rows;
    row_ = select >= 0 && select < rows.size() ? select : -1;
    if (row_ >= 0)
        type_ = rows[row_].cpuType >= 1 && rows[row_].cpuType <= 4 ? rows[row_].cpuType : type_;
    list_->refresh(set_, type_, row_);
    // With no experiment selected nothing can be typed or wired: no edit could land anywhere.
    fields_->setEnabled(row_ >= 0);
    wiring_->setEnabled(row_ >= 0);
    refreshFields();
    refreshWiring();
    refreshPreviews();
    refreshTitle();
    if (trial_)
        trial_->changed();
}

void EditorWindow::refreshFields() { fields_->refresh(row_ >= 0 ? &set_.rows[row_] : nullptr, type_); }

void EditorWindow::refreshWiring() {
    const CatalogueRow* r = row_ >= 0 ? &set_.rows[row_] : nullptr;
    wiring_->refresh(r ? r->name : QString(), r ? &r->wiring : nullptr, r ? r->cpuType : type_);
}

void EditorWindow::refreshPreviews() { previews_->refresh(row_ >= 0 ? &set_.rows[row_] : nullptr, set_.workingFolder()); }

void EditorWindow::fieldEdited(QString CatalogueRow::*field, const QString& text) {
    fields_->updateCounter(field, text);
    if (row_ < 0 || set_.rows[row_].*field == text)
        return;
    QList<CatalogueRow> rows = set_.rows;
    rows[row_].*field = text;
    editRows(rows, row_,
             QStringLiteral("修改%1").arg(field == &CatalogueRow::wiring ? QStringLiteral("实验接线")
                                                                         : columnOf(field)),
             mergeKeyOf(field));
}

void EditorWindow::cpuTypeChosen(int cpuType) {
    if (row_ < 0 || set_.rows[row_].cpuType == cpuType)
        return;
    if (set_.nameTaken(cpuType, set_.rows[row_].name)) {
        tell(QStringLiteral("类型 %1 已有名为“%2”的实验").arg(typeCaptions()[cpuType - 1], set_.rows[row_].name));
        refreshFields();
        return;
    }
    QList<CatalogueRow> rows = set_.rows;
    rows[row_].cpuType = cpuType;
    editRows(rows, row_, QStringLiteral("改变实验类型"));
}

void EditorWindow::setSteps(const QStringList& steps, int select) {
    if (row_ < 0)
        return;
    QList<CatalogueRow> rows = set_.rows;
    rows[row_].wiring = wiringText(steps);
    if (rows[row_].wiring == set_.rows[row_].wiring) {
        refreshWiring();
        return;
    }
    editRows(rows, row_, QStringLiteral("修改实验接线"));
    wiring_->selectStep(select);
}

void EditorWindow::chooseBoard(const QString& board) { wiring_->chooseBoard(board); }

void EditorWindow::terminalClicked(const QString& terminal) { wiring_->terminalClicked(terminal); }

void EditorWindow::chooseFile(QString CatalogueRow::*field) {
    if (row_ < 0)
        return;
    const int type = set_.rows[row_].cpuType;
    const QString folder = contentFolder(field, type);
    if (folder.isEmpty()) {
        tell(QStringLiteral("PCI 实验没有源程序"));
        return;
    }
    const QString filter =
        field == &CatalogueRow::program
            ? QStringLiteral("汇编源程序 (*.asm *.ASM);;所有文件 (*)")
            : QStringLiteral("图片 (*.jpg *.jpeg *.bmp *.png *.ico *.wmf *.emf);;所有文件 (*)");
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("选择文件"), QString(), filter);
    if (chosen.isEmpty())
        return;
    const QString name = QFileInfo(chosen).fileName();
    const QString target = set_.workingFolder() + folder + name;
    if (QFileInfo(chosen).absoluteFilePath() != QFileInfo(target).absoluteFilePath()) {
        QFile a(chosen), b(target);
        const bool exists = b.exists();
        const bool same = exists && a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                          a.readAll() == b.readAll();
        a.close();
        b.close();
        if (exists && !same && !confirm(QStringLiteral("%1%2 已存在，用所选文件替换吗？").arg(folder, name)))
            return;
        if (!same) {
            // Copied beside the target and renamed, so a failed copy leaves the old file whole.
            const QString temp = target + QStringLiteral(".part");
            QFile::remove(temp);
            if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(chosen, temp) ||
                std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) !=
                    0) {
                QFile::remove(temp);
                tell(QStringLiteral("不能复制到 %1").arg(QDir::toNativeSeparators(target)));
                return;
            }
        }
    }
    fieldEdited(field, name);
    refreshFields();
    refreshPreviews();
}

void EditorWindow::refreshTitle() {
    setWindowTitle(set_.path().isEmpty()
                       ? kTitle
                       : QStringLiteral("%1 - %2[*]").arg(kTitle, QDir::toNativeSeparators(set_.path())));
    setWindowModified(modified());
    // Without a catalogue nothing typed could be saved: editing waits for one, and the window says why.
    const bool open = !set_.path().isEmpty();
    centralWidget()->setEnabled(open);
    noCatalogue_->setVisible(!open);
    noCatalogue_->setText(openFailure_.isEmpty()
                              ? QStringLiteral("没有打开实验目录：请用“文件 → 打开”打开 QK740X.mdb")
                              : QStringLiteral("没有打开实验目录：%1（关闭后用“文件 → 重新打开”）").arg(openFailure_));
}

bool EditorWindow::maybeSave() {
    if (!modified())
        return true;
    switch (askUnsaved()) {
    case Answer::Save:
        return save();
    case Answer::Discard:
        return true;
    case Answer::Cancel:
        return false;
    }
    return false;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    if (maybeSave()) {
        trial_->stop();
        event->accept();
    } else {
        event->ignore();
    }
}

void EditorWindow::exportPack() {
    QList<CatalogueRow> rows;
    for (int r : list_->selectedRows(set_, type_))
        rows << set_.rows[r];
    if (rows.isEmpty()) {
        tell(QStringLiteral("请先在列表中选择要导出的实验"));
        return;
    }
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出实验包"), set_.workingFolder(),
                                                QStringLiteral("实验包 (*.labpack)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".labpack")))
        path += QStringLiteral(".labpack");
    exportPackTo(rows, path);
}

bool EditorWindow::exportPackTo(const QList<CatalogueRow>& rows, const QString& path) {
    try {
        QStringList missing;
        const contentpack::PackSources content =
            contentpack::locate(rows, set_.workingFolder(), programfolder::path(), &missing);
        contentpack::writePack(path, content);
        if (!missing.isEmpty())
            tell(QStringLiteral("已导出 %1 个实验，以下文件找不到，未放入实验包：\n%2")
                     .arg(rows.size())
                     .arg(missing.join('\n')));
        else
            statusBar()->showMessage(QStringLiteral("已导出 %1 个实验").arg(rows.size()), 3000);
        return true;
    } catch (const std::exception& e) {
        // The pack layer's own words (labtool's too) follow the Chinese headline.
        tell(QStringLiteral("导出实验包失败：\n%1").arg(QString::fromStdString(e.what())));
        return false;
    }
}

void EditorWindow::importPack() {
    if (set_.path().isEmpty())
        return;
    if (QFileInfo(set_.path()).fileName() != QLatin1String(contentpack::CatalogueFile)) {
        tell(QStringLiteral("实验包只能导入名为 %1 的实验目录")
                 .arg(QLatin1String(contentpack::CatalogueFile)));
        return;
    }
    if (modified()) {
        if (!confirm(QStringLiteral("导入前须先保存修改。现在保存吗？")) || !save())
            return;
    }
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("导入实验包"), set_.workingFolder(),
                                     QStringLiteral("实验包 (*.labpack);;所有文件 (*)"));
    if (!path.isEmpty())
        importPackFrom(path);
}

bool EditorWindow::importPackFrom(const QString& path) {
    if (modified()) {
        tell(QStringLiteral("请先保存修改，再导入实验包"));
        return false;
    }
    try {
        // Streamed: the pack's files go from the zip into the folder, never held whole.
        const contentpack::PackReader pack(path);
        contentpack::MergeResult result;
        try {
            result = contentpack::mergePack(pack, set_.workingFolder(), contentpack::Conflicts::Refuse);
        } catch (const contentpack::ConflictError& e) {
            // Nothing is written yet: the teacher settles the conflicts, all at once.
            QStringList clashes;
            for (const QString& experiment : e.experiments)
                clashes << QStringLiteral("实验 %1").arg(experiment);
            for (const QString& file : e.files)
                clashes << QStringLiteral("文件 %1").arg(file);
            const ClashAnswer answer = askClashes(clashes);
            if (answer == ClashAnswer::Cancel) {
                statusBar()->showMessage(QStringLiteral("已取消导入，未写入任何内容"), 5000);
                return false;
            }
            result = contentpack::mergePack(pack, set_.workingFolder(),
                                            answer == ClashAnswer::Replace ? contentpack::Conflicts::Replace
                                                                           : contentpack::Conflicts::Skip);
        }
        openCatalogue(set_.path());
        statusBar()->showMessage(QStringLiteral("已导入：新增 %1 个，替换 %2 个，保留 %3 个实验；写入 %4 个文件")
                                     .arg(result.added)
                                     .arg(result.replaced)
                                     .arg(result.kept)
                                     .arg(result.filesWritten),
                                 5000);
        return true;
    } catch (const CatalogueInUse&) {
        tell(inUseText());
    } catch (const replacefile::NoSpaceError&) {
        tell(QStringLiteral("导入实验包失败：磁盘空间不足"));
    } catch (const std::exception& e) {
        tell(QStringLiteral("导入实验包失败：\n%1").arg(QString::fromStdString(e.what())));
    }
    return false;
}

QLineEdit* EditorWindow::field(const QString& column) const { return fields_->field(column); }
QLabel* EditorWindow::counter(const QString& column) const { return fields_->counter(column); }
BoardForm* EditorWindow::boardForm() const { return wiring_->boardForm(); }
QListWidget* EditorWindow::stepList() const { return wiring_->stepList(); }
QLabel* EditorWindow::checkLabel() const { return wiring_->checkLabel(); }
PicturePreview* EditorWindow::circuitPreview() const { return previews_->circuit(); }
TSynEdit* EditorWindow::sourcePreview() const { return previews_->source(); }

} // namespace editor
