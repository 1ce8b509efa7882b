#include "editor/EditorWindow.h"

#include "base/ContentFolder.h"
#include "base/ErrorReport.h"
#include "base/Gbk.h"
#include "base/ProgramFolder.h"
#include "boards/BoardGuide.h"
#include "boards/BoardForm.h"
#include "boards/BoardInfo.h"
#include "editor/PicturePreview.h"
#include "editor/WiringCheck.h"
#include "engine/Catalogue.h"
#include "engine/FieldCapacity.h"
#include "packs/PackArchive.h"
#include "packs/PackMerge.h"
#include "source/AsmHighlighters.h"
#include "source/SynEdit.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>

#include <cstdio>

namespace editor {

namespace {

const QString kTitle = QStringLiteral("实验编辑器");
const QStringList kTypeCaptions = {QStringLiteral("51"), QStringLiteral("88"), QStringLiteral("96"),
                                   QStringLiteral("PCI")};

// The columns edited in the field panel, in table order (实验接线 has the wiring tab, CPU类型 a choice).
struct FieldDef {
    const char* column;
    QString CatalogueRow::*field;
    enum { Line, File, Text } kind;
};
const FieldDef kFields[] = {
    {"实验名称", &CatalogueRow::name, FieldDef::Line},
    {"实验程序", &CatalogueRow::program, FieldDef::File},
    {"入口地址", &CatalogueRow::entry, FieldDef::Line},
    {"实验电路", &CatalogueRow::circuit, FieldDef::File},
    {"实验框图", &CatalogueRow::flowChart, FieldDef::File},
    {"实验目的", &CatalogueRow::purpose, FieldDef::Text},
    {"实验要求", &CatalogueRow::requirement, FieldDef::Text},
    {"实验说明", &CatalogueRow::description, FieldDef::Text},
};

QString columnOf(QString CatalogueRow::*field) {
    for (const FieldDef& f : kFields)
        if (f.field == field)
            return QString::fromUtf8(f.column);
    return {};
}

int keyOf(QString CatalogueRow::*field) {
    int i = 0;
    for (const FieldDef& f : kFields) {
        if (f.field == field)
            return i + 1;
        ++i;
    }
    return 100; // the wiring
}

// The folder (in the working or program folder) a file column's files live in.
QString contentFolder(QString CatalogueRow::*field, int cpuType) {
    if (field != &CatalogueRow::program)
        return QStringLiteral("pic/");
    if (cpuType >= 1 && cpuType <= 3)
        return QStringLiteral("asm/%1/").arg(kTypeCaptions[cpuType - 1]);
    return {};
}

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
        QMessageBox box(QMessageBox::Question, kTitle,
                        QStringLiteral("以下实验已存在：\n%1\n\n用实验包中的替换，还是保留现有的？")
                            .arg(clashes.join('\n')),
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
    splitter->addWidget(buildList());
    tabs_ = new QTabWidget(splitter);
    tabs_->addTab(buildFields(), QStringLiteral("实验内容"));
    tabs_->addTab(buildWiring(), QStringLiteral("接线"));
    source_ = new TSynEdit(tabs_);
    source_->setReadOnly(true);
    tabs_->addTab(source_, QStringLiteral("源程序"));
    circuitPreview_ = new PicturePreview(tabs_);
    tabs_->addTab(circuitPreview_, QStringLiteral("电路图"));
    flowPreview_ = new PicturePreview(tabs_);
    tabs_->addTab(flowPreview_, QStringLiteral("框图"));
    splitter->setStretchFactor(1, 1);
    setCentralWidget(splitter);
    buildMenus();
    connect(&undo_, &QUndoStack::cleanChanged, this, [this] { refreshTitle(); });
    statusBar();
    resize(1200, 820);
    applyRows({}, -1);
}

EditorWindow::~EditorWindow() = default;

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

QWidget* EditorWindow::buildList() {
    auto* panel = new QWidget(this);
    auto* layout = new QVBoxLayout(panel);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(new QLabel(QStringLiteral("实验类型"), panel));
    typeBox_ = new QComboBox(panel);
    typeBox_->addItems(kTypeCaptions);
    typeRow->addWidget(typeBox_, 1);
    layout->addLayout(typeRow);
    list_ = new QListWidget(panel);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(list_, 1);
    auto* buttons = new QGridLayout;
    auto button = [&](const QString& text, int r, int c, auto slot) {
        auto* b = new QPushButton(text, panel);
        buttons->addWidget(b, r, c);
        connect(b, &QPushButton::clicked, this, slot);
    };
    button(QStringLiteral("新建…"), 0, 0, [this] {
        bool ok = false;
        const QString name =
            QInputDialog::getText(this, kTitle, QStringLiteral("实验名称："), QLineEdit::Normal, {}, &ok);
        if (ok)
            newExperiment(name);
    });
    button(QStringLiteral("复制"), 0, 1, [this] { duplicateExperiment(); });
    button(QStringLiteral("重命名…"), 1, 0, [this] {
        if (row_ < 0)
            return;
        bool ok = false;
        const QString name = QInputDialog::getText(this, kTitle, QStringLiteral("实验名称："),
                                                   QLineEdit::Normal, set_.rows[row_].name, &ok);
        if (ok)
            renameExperiment(name);
    });
    button(QStringLiteral("删除"), 1, 1, [this] {
        if (row_ >= 0 && confirm(QStringLiteral("删除实验“%1”？").arg(set_.rows[row_].name)))
            deleteExperiment();
    });
    layout->addLayout(buttons);

    connect(typeBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_)
            showType(index + 1);
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int item) {
        if (refreshing_)
            return;
        const QList<int> rows = set_.rowsOfType(type_);
        selectRow(item >= 0 && item < rows.size() ? rows[item] : -1);
    });
    panel->setMinimumWidth(240);
    return panel;
}

QWidget* EditorWindow::buildFields() {
    auto* panel = new QWidget(this);
    auto* form = new QFormLayout(panel);
    for (const FieldDef& f : kFields) {
        const QString column = QString::fromUtf8(f.column);
        QString CatalogueRow::*field = f.field;
        auto* row = new QHBoxLayout;
        QWidget* editor = nullptr;
        if (f.kind == FieldDef::Text) {
            auto* text = new QPlainTextEdit(panel);
            text->setTabChangesFocus(true);
            // The description takes what room is left; the capped texts hold their 255 bytes.
            if (field != &CatalogueRow::description)
                text->setMaximumHeight(80);
            connect(text, &QPlainTextEdit::textChanged, this, [this, text, field] {
                if (!refreshing_)
                    fieldEdited(field, text->toPlainText());
            });
            texts_.insert(column, text);
            editor = text;
        } else {
            auto* line = new QLineEdit(panel);
            if (field == &CatalogueRow::name) {
                // A name is checked when the teacher leaves the field: it must stay unique within its type.
                connect(line, &QLineEdit::textEdited, this,
                        [this, field](const QString& t) { updateCounter(field, t); });
                connect(line, &QLineEdit::editingFinished, this, [this, line] {
                    if (!refreshing_ && row_ >= 0 && line->text() != set_.rows[row_].name &&
                        !renameExperiment(line->text()))
                        line->setText(set_.rows[row_].name);
                });
            } else {
                connect(line, &QLineEdit::textEdited, this,
                        [this, field](const QString& t) { fieldEdited(field, t); });
            }
            lines_.insert(column, line);
            editor = line;
        }
        editor->setObjectName(column);
        row->addWidget(editor, 1);
        if (f.kind == FieldDef::File) {
            auto* choose = new QPushButton(QStringLiteral("选择…"), panel);
            connect(choose, &QPushButton::clicked, this, [this, field] { chooseFile(field); });
            row->addWidget(choose);
        }
        if (cataloguesource::capacityOf(field) > 0) {
            auto* count = new QLabel(panel);
            count->setMinimumWidth(96);
            count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            count->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
            counters_.insert(column, count);
            row->addWidget(count, 0, f.kind == FieldDef::Text ? Qt::AlignTop : Qt::AlignVCenter);
        }
        form->addRow(column, row);
        if (field == &CatalogueRow::name) {
            cpuBox_ = new QComboBox(panel);
            cpuBox_->setObjectName(QStringLiteral("CPU类型"));
            cpuBox_->addItems(kTypeCaptions);
            connect(cpuBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
                if (refreshing_ || row_ < 0 || set_.rows[row_].cpuType == index + 1)
                    return;
                if (set_.nameTaken(index + 1, set_.rows[row_].name)) {
                    tell(QStringLiteral("类型 %1 已有名为“%2”的实验")
                             .arg(kTypeCaptions[index], set_.rows[row_].name));
                    refreshFields();
                    return;
                }
                QList<CatalogueRow> rows = set_.rows;
                rows[row_].cpuType = index + 1;
                editRows(rows, row_, QStringLiteral("改变实验类型"));
            });
            form->addRow(QStringLiteral("CPU类型"), cpuBox_);
        }
    }
    return panel;
}

QWidget* EditorWindow::buildWiring() {
    auto* panel = new QWidget(this);
    auto* layout = new QHBoxLayout(panel);
    auto* left = new QVBoxLayout;
    auto* boardRow = new QHBoxLayout;
    boardRow->addWidget(new QLabel(QStringLiteral("实验箱"), panel));
    boardBox_ = new QComboBox(panel);
    boardBox_->setObjectName(QStringLiteral("boards"));
    boardRow->addWidget(boardBox_, 1);
    pending_ = new QLabel(QStringLiteral("依次点击两个接线端，添加一步接线"), panel);
    boardRow->addWidget(pending_, 3);
    left->addLayout(boardRow);
    boardScroll_ = new QScrollArea(panel);
    boardScroll_->setWidgetResizable(false);
    left->addWidget(boardScroll_, 1);
    layout->addLayout(left, 1);
    // The list shows each board as people read it ("QK310X+"); its item data is the stored name.
    connect(boardBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_ && index >= 0)
            chooseBoard(boardBox_->itemData(index).toString());
    });

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("接线步骤"), panel));
    steps_ = new QListWidget(panel);
    steps_->setObjectName(QStringLiteral("steps"));
    right->addWidget(steps_, 1);
    auto* buttons = new QHBoxLayout;
    auto move = [this](int by) {
        const int i = steps_->currentRow();
        QStringList steps = currentSteps();
        if (i < 0 || i + by < 0 || i + by >= steps.size())
            return;
        steps.swapItemsAt(i, i + by);
        setSteps(steps, i + by);
    };
    auto* up = new QPushButton(QStringLiteral("上移"), panel);
    auto* down = new QPushButton(QStringLiteral("下移"), panel);
    auto* remove = new QPushButton(QStringLiteral("删除"), panel);
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(1); });
    connect(remove, &QPushButton::clicked, this, [this] {
        const int i = steps_->currentRow();
        QStringList steps = currentSteps();
        if (i < 0 || i >= steps.size())
            return;
        steps.removeAt(i);
        setSteps(steps, qMin(i, int(steps.size()) - 1));
    });
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addWidget(remove);
    right->addLayout(buttons);
    check_ = new QLabel(panel);
    check_->setObjectName(QStringLiteral("check"));
    check_->setWordWrap(true);
    check_->setMinimumHeight(80);
    check_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    right->addWidget(check_);
    auto* rightPanel = new QWidget(panel);
    rightPanel->setLayout(right);
    rightPanel->setFixedWidth(240);
    layout->addWidget(rightPanel);

    connect(steps_, &QListWidget::currentRowChanged, this, [this] { drawSelectedStep(); });
    auto* del = new QShortcut(QKeySequence::Delete, steps_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, remove, &QPushButton::click);
    // Queued: the edit rebuilds the list, which must not happen inside the item's own signal.
    connect(
        steps_, &QListWidget::itemChanged, this,
        [this] {
            // Only a real edit counts: a stored text the list shows unchanged is never rewritten.
            if (!refreshing_ && row_ >= 0 && currentSteps() != wiringSteps(set_.rows[row_].wiring))
                setSteps(currentSteps(), steps_->currentRow());
        },
        Qt::QueuedConnection);
    return panel;
}

bool EditorWindow::openCatalogue(const QString& path) {
    attempted_ = QFileInfo(path).absolutePath();
    attemptedPath_ = QFileInfo(path).absoluteFilePath();
    try {
        ExperimentSet opened = ExperimentSet::open(path);
        set_ = std::move(opened);
    } catch (const std::exception& e) {
        tell(QString::fromStdString(e.what()));
        return false;
    }
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
    if (set_.path().isEmpty())
        return false;
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
        tell(QStringLiteral("类型 %1 已有名为“%2”的实验").arg(kTypeCaptions[type_ - 1], trimmed));
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
                 .arg(kTypeCaptions[set_.rows[row_].cpuType - 1], trimmed));
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
    refreshList();
    refreshFields();
    refreshWiring();
    refreshPreviews();
    refreshTitle();
}

void EditorWindow::refreshList() {
    refreshing_ = true;
    typeBox_->setCurrentIndex(type_ - 1);
    const QList<int> rows = set_.rowsOfType(type_);
    QStringList names;
    for (int r : rows)
        names << set_.rows[r].name;
    QStringList shown;
    for (int i = 0; i < list_->count(); ++i)
        shown << list_->item(i)->text();
    if (shown != names) {
        list_->clear();
        list_->addItems(names);
    }
    list_->setCurrentRow(int(rows.indexOf(row_)));
    refreshing_ = false;
}

void EditorWindow::refreshFields() {
    refreshing_ = true;
    const bool have = row_ >= 0;
    static const CatalogueRow none;
    const CatalogueRow& r = have ? set_.rows[row_] : none;
    for (const FieldDef& f : kFields) {
        const QString column = QString::fromUtf8(f.column);
        const QString value = r.*f.field;
        if (QLineEdit* line = lines_.value(column)) {
            if (line->text() != value)
                line->setText(value);
            line->setEnabled(have);
        }
        if (QPlainTextEdit* text = texts_.value(column)) {
            if (text->toPlainText() != value)
                text->setPlainText(value);
            text->setEnabled(have);
        }
        updateCounter(f.field, value);
    }
    cpuBox_->setCurrentIndex(have ? r.cpuType - 1 : type_ - 1);
    cpuBox_->setEnabled(have);
    refreshing_ = false;
}

void EditorWindow::updateCounter(QString CatalogueRow::*field, const QString& text) {
    QLabel* label = counters_.value(columnOf(field));
    if (!label)
        return;
    const int bytes = cataloguesource::gbkBytes(text);
    const int capacity = cataloguesource::capacityOf(field);
    label->setText(QStringLiteral("%1/%2 字节").arg(bytes).arg(capacity));
    label->setStyleSheet(bytes > capacity ? QStringLiteral("color: red") : QString());
}

void EditorWindow::fieldEdited(QString CatalogueRow::*field, const QString& text) {
    updateCounter(field, text);
    if (row_ < 0 || set_.rows[row_].*field == text)
        return;
    QList<CatalogueRow> rows = set_.rows;
    rows[row_].*field = text;
    editRows(rows, row_,
             QStringLiteral("修改%1").arg(field == &CatalogueRow::wiring ? QStringLiteral("实验接线")
                                                                         : columnOf(field)),
             keyOf(field));
}

QStringList EditorWindow::currentSteps() const {
    QStringList steps;
    for (int i = 0; i < steps_->count(); ++i)
        steps << steps_->item(i)->text().trimmed();
    return steps;
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
    if (select >= 0 && select < steps_->count())
        steps_->setCurrentRow(select);
}

void EditorWindow::refreshWiring() {
    refreshing_ = true;
    const int type = row_ >= 0 ? set_.rows[row_].cpuType : type_;
    // The boards that offer the type; the one shown stays while it offers it.
    QStringList offering;
    for (const QString& board : boards::boardNames())
        if (boards::offeredCpuTypes(board).contains(type))
            offering << board;
    QStringList listed;
    for (int i = 0; i < boardBox_->count(); ++i)
        listed << boardBox_->itemData(i).toString();
    if (listed != offering) {
        const QString was = boardBox_->currentData().toString();
        boardBox_->clear();
        for (const QString& board : offering)
            boardBox_->addItem(boards::boardDisplayName(board), board);
        if (offering.contains(was))
            boardBox_->setCurrentIndex(boardBox_->findData(was));
    }
    refreshing_ = false;
    const QString listedBoard = boardBox_->currentData().toString();
    if (!listedBoard.isEmpty() && (!board_ || board_->board() != listedBoard))
        chooseBoard(listedBoard);

    refreshing_ = true;
    const QStringList steps = row_ >= 0 ? wiringSteps(set_.rows[row_].wiring) : QStringList();
    const int current = steps_->currentRow();
    if (currentSteps() != steps) {
        steps_->clear();
        for (const QString& s : steps) {
            auto* item = new QListWidgetItem(s);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            steps_->addItem(item);
        }
        steps_->setCurrentRow(qMin(current, int(steps.size()) - 1));
    }
    steps_->setEnabled(row_ >= 0);
    const QStringList lines = checkWiring(type, steps);
    check_->setText(lines.join('\n'));
    check_->setStyleSheet(wiringHasProblems(type, steps) ? QStringLiteral("color: #b00000") : QString());
    refreshing_ = false;
    drawSelectedStep();
}

void EditorWindow::chooseBoard(const QString& board) {
    if (board_ && board_->board() == board)
        return;
    refreshing_ = true;
    if (const int listed = boardBox_->findData(board); listed >= 0)
        boardBox_->setCurrentIndex(listed);
    refreshing_ = false;
    pendingTerminal_.clear();
    // The board form as labguide builds it; only its board area is shown (the experiment panel lies above
    // the visible part of the holder).
    auto* holder = new QWidget;
    BoardForm* form = nullptr;
    try {
        form = boards::createBoardForm(board, holder);
    } catch (const std::exception& e) {
        delete holder;
        tell(QStringLiteral("不能显示实验板 %1：\n%2")
                 .arg(boards::boardDisplayName(board), QString::fromStdString(e.what())));
        return;
    }
    form->installEventFilter(this); // its showing would fill its experiment list from a catalogue
    form->dockInto(holder);
    const int top = form->Panel1()->height();
    form->move(0, -top);
    holder->setFixedSize(form->width(), qMax(0, form->height() - top));
    board_ = form;
    form->show();
    form->boardArea()->installEventFilter(this);
    boards::BoardGuide::attach(*form);
    delete boardScroll_->takeWidget();
    boardScroll_->setWidget(holder);
    pending_->setText(QStringLiteral("依次点击两个接线端，添加一步接线"));
    drawSelectedStep();
}

void EditorWindow::terminalClicked(const QString& terminal) {
    if (row_ < 0) {
        pending_->setText(QStringLiteral("请先选择或新建一个实验"));
        return;
    }
    const QString name = terminal.toUpper();
    if (pendingTerminal_.isEmpty() || pendingTerminal_ == name) {
        pendingTerminal_ = pendingTerminal_ == name ? QString() : name;
        pending_->setText(pendingTerminal_.isEmpty()
                              ? QStringLiteral("依次点击两个接线端，添加一步接线")
                              : QStringLiteral("%1 > ？ 请点击另一个接线端").arg(name));
        return;
    }
    QStringList steps = currentSteps();
    steps << stepFor(pendingTerminal_, name);
    pendingTerminal_.clear();
    pending_->setText(QStringLiteral("已添加：%1").arg(steps.last()));
    setSteps(steps, int(steps.size()) - 1);
}

void EditorWindow::drawSelectedStep() {
    if (!board_)
        return;
    board_->PaintBox_link().Refresh();
    const int i = steps_->currentRow();
    if (i >= 0 && i < steps_->count())
        DrawWiringStep(gbk::encode(steps_->item(i)->text()), *board_, board_->PaintBox_link());
    // The step's names and plate, as labguide labels a step.
    if (boards::BoardGuide* guide = boards::BoardGuide::of(*board_)) {
        QList<QByteArray> steps;
        for (int k = 0; k < steps_->count(); ++k)
            steps << gbk::encode(steps_->item(k)->text());
        guide->setWiring(row_ >= 0 ? set_.rows[row_].name : QString(), steps);
        if (i >= 0 && i < steps.size())
            guide->setShownStep(i);
    }
}

bool EditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (board_ && watched == board_ && event->type() == QEvent::Show)
        return true;
    if (board_ && watched == board_->boardArea()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton)
                return true;
            const int index = board_->boardArea()->elementAt(mouse->position().toPoint());
            if (index >= 0) {
                const boards::Component& c = board_->components()[index];
                if (c.kind == boards::ComponentKind::Terminal)
                    terminalClicked(c.name.startsWith(QStringLiteral("SHP_"), Qt::CaseInsensitive)
                                        ? c.name.mid(4)
                                        : c.name);
            }
            return true;
        }
        // Blocks open reference pictures in labguide; here a click only wires.
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            return true;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void EditorWindow::refreshPreviews() {
    const CatalogueRow* r = row_ >= 0 ? &set_.rows[row_] : nullptr;
    const QString work = set_.workingFolder();
    const QString program = programfolder::path();
    auto find = [&](const QString& folder, const QString& name) {
        return folder.isEmpty() || name.isEmpty() ? QString()
                                                  : contentfolder::find(folder + name, work, program);
    };
    const QString sourcePath =
        r ? find(contentFolder(&CatalogueRow::program, r->cpuType), r->program) : QString();
    const int type = r ? r->cpuType : 0;
    // Reloaded only when what they show changes: a click on the board must stay quick.
    if (source_->property("shown").toString() != sourcePath || highlighterType_ != type) {
        source_->setProperty("shown", sourcePath);
        if (type != highlighterType_) {
            source_->setHighlighter(highlighters_.forCpuType(type));
            highlighterType_ = type;
        }
        source_->setReadOnly(false);
        source_->clearLines();
        if (!sourcePath.isEmpty())
            errorreport::guarded([&] { source_->loadFromFile(sourcePath); });
        source_->setReadOnly(true);
    }
    const std::pair<PicturePreview*, QString> pictures[] = {
        {circuitPreview_, r ? find(QStringLiteral("pic/"), r->circuit) : QString()},
        {flowPreview_, r ? find(QStringLiteral("pic/"), r->flowChart) : QString()}};
    for (const auto& [preview, path] : pictures) {
        const QString key = r ? (path.isEmpty() ? QStringLiteral("-") : path) : QString();
        if (preview->property("shown").toString() != key || key.isEmpty()) {
            preview->setProperty("shown", key);
            preview->showFile(path);
        }
    }
}

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
    if (maybeSave())
        event->accept();
    else
        event->ignore();
}

void EditorWindow::exportPack() {
    QList<CatalogueRow> rows;
    const QList<int> ofType = set_.rowsOfType(type_);
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected() && i < ofType.size())
            rows << set_.rows[ofType[i]];
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
        const contentpack::Content content =
            contentpack::collect(rows, set_.workingFolder(), programfolder::path(), &missing);
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
        const contentpack::Content content = contentpack::readPack(path);
        QStringList clashes;
        for (const CatalogueRow& r : content.rows)
            for (const CatalogueRow& own : set_.rows)
                if (own.cpuType == r.cpuType && own.name == r.name && !(own == r))
                    clashes << QStringLiteral("[%1] %2").arg(cataloguesource::typeName(r.cpuType), r.name);
        contentpack::Conflicts mode = contentpack::Conflicts::Skip;
        if (!clashes.isEmpty()) {
            const ClashAnswer answer = askClashes(clashes);
            if (answer == ClashAnswer::Cancel)
                return false;
            mode = answer == ClashAnswer::Replace ? contentpack::Conflicts::Replace
                                                  : contentpack::Conflicts::Skip;
        }
        const contentpack::MergeResult result = contentpack::mergePack(content, set_.workingFolder(), mode);
        openCatalogue(set_.path());
        statusBar()->showMessage(QStringLiteral("已导入：新增 %1 个，替换 %2 个，保留 %3 个实验")
                                     .arg(result.added)
                                     .arg(result.replaced)
                                     .arg(result.kept),
                                 5000);
        return true;
    } catch (const CatalogueInUse&) {
        tell(inUseText());
    } catch (const std::exception& e) {
        tell(QStringLiteral("导入实验包失败：\n%1").arg(QString::fromStdString(e.what())));
    }
    return false;
}

QLineEdit* EditorWindow::field(const QString& column) const {
    return lines_.value(column);
}
QLabel* EditorWindow::counter(const QString& column) const {
    return counters_.value(column);
}

} // namespace editor
