#include "editor/ExperimentListPane.h"

#include "editor/EditedColumns.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace editor {

ExperimentListPane::ExperimentListPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* typeRow = new QHBoxLayout;
    typeRow->addWidget(new QLabel(QStringLiteral("实验类型"), this));
    typeBox_ = new QComboBox(this);
    typeBox_->addItems(typeCaptions());
    typeRow->addWidget(typeBox_, 1);
    layout->addLayout(typeRow);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("experiments"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(list_, 1);
    auto* buttons = new QGridLayout;
    auto button = [&](const QString& text, int r, int c, std::function<void()>& hook) {
        auto* b = new QPushButton(text, this);
        buttons->addWidget(b, r, c);
        connect(b, &QPushButton::clicked, this, [&hook] {
            if (hook)
                hook();
        });
    };
    button(QStringLiteral("新建…"), 0, 0, newClicked);
    button(QStringLiteral("复制"), 0, 1, duplicateClicked);
    button(QStringLiteral("重命名…"), 1, 0, renameClicked);
    button(QStringLiteral("删除"), 1, 1, deleteClicked);
    layout->addLayout(buttons);

    connect(typeBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!refreshing_ && typeChosen)
            typeChosen(index + 1);
    });
    // Both signals: a click on the empty part of the list, or a Ctrl+click on the current item, clears the
    // selection without moving the current item, and then no experiment is edited.
    auto chosen = [this] {
        if (!refreshing_ && itemChosen)
            itemChosen(chosenItem());
    };
    connect(list_, &QListWidget::currentRowChanged, this, chosen);
    connect(list_, &QListWidget::itemSelectionChanged, this, chosen);
    setMinimumWidth(240);
}

void ExperimentListPane::refresh(const ExperimentSet& set, int cpuType, int row) {
    refreshing_ = true;
    typeBox_->setCurrentIndex(cpuType - 1);
    const QList<int> rows = set.rowsOfType(cpuType);
    QStringList names;
    for (int r : rows)
        names << set.rows[r].name;
    QStringList shown;
    for (int i = 0; i < list_->count(); ++i)
        shown << list_->item(i)->text();
    if (shown != names) {
        list_->clear();
        list_->addItems(names);
    }
    // A list that already shows the row chosen keeps its selection (several items, chosen for export).
    const int item = int(rows.indexOf(row));
    if (chosenItem() != item) {
        if (item >= 0)
            list_->setCurrentRow(item, QItemSelectionModel::ClearAndSelect);
        else
            list_->clearSelection();
    }
    refreshing_ = false;
}

int ExperimentListPane::chosenItem() const {
    const int current = list_->currentRow();
    return current >= 0 && list_->item(current)->isSelected() ? current : -1;
}

QList<int> ExperimentListPane::selectedRows(const ExperimentSet& set, int cpuType) const {
    QList<int> rows;
    const QList<int> ofType = set.rowsOfType(cpuType);
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected() && i < ofType.size())
            rows << ofType[i];
    return rows;
}

} // namespace editor
