#pragma once
// The editor's left pane: the experiment type, the experiments of that type by name, and the buttons that
// make, copy, rename and delete one. It only shows and asks; the window makes the edits.
#include <QList>
#include <QWidget>

#include <functional>

#include "editor/ExperimentSet.h"

class QComboBox;
class QListWidget;

namespace editor {

class ExperimentListPane : public QWidget {
    Q_OBJECT
public:
    explicit ExperimentListPane(QWidget* parent = nullptr);

    // Shows the type's experiments with `row` (an index into the set's rows, -1: none) selected.
    void refresh(const ExperimentSet& set, int cpuType, int row);
    // The rows selected in the list (indexes into the set's rows), in list order.
    QList<int> selectedRows(const ExperimentSet& set, int cpuType) const;

    std::function<void(int cpuType)> typeChosen;
    // The experiment the list shows selected changed: its item (-1: none, the selection cleared).
    std::function<void(int item)> itemChosen;
    std::function<void()> newClicked, duplicateClicked, renameClicked, deleteClicked;

private:
    // The item being edited: the current one while it is selected, else none.
    int chosenItem() const;

    QComboBox* typeBox_ = nullptr;
    QListWidget* list_ = nullptr;
    bool refreshing_ = false;
};

} // namespace editor
