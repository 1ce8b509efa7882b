#pragma once
// The editor's "接线" tab: a board that offers the experiment's type, drawn as labguide draws it, on which
// two clicked terminals make a wiring step; the steps in order, to move, delete or retype; and the live
// check of the steps. It only shows and asks; the window makes the edits.
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>

#include "boards/BoardForm.h"

class QComboBox;
class QLabel;
class QListWidget;
class QScrollArea;

namespace editor {

class WiringPane : public QWidget {
    Q_OBJECT
public:
    explicit WiringPane(QWidget* parent = nullptr);

    // Shows the wiring of the row (nullptr: none) of type `cpuType`, on a board that offers the type.
    void refresh(const QString& experiment, const QString* wiring, int cpuType);
    // The board the wiring is clicked on.
    void chooseBoard(const QString& board);
    // A click on a terminal by its name as the board spells it: the second of two asks for a step.
    void terminalClicked(const QString& terminal);
    void selectStep(int index);

    // The steps as the list holds them now.
    QStringList currentSteps() const;
    BoardForm* boardForm() const { return board_; }
    QListWidget* stepList() const { return steps_; }
    QLabel* checkLabel() const { return check_; }

    // The steps edited (added, moved, deleted, retyped), with the step to select afterwards.
    std::function<void(const QStringList& steps, int select)> stepsEdited;
    // Called before the board shown is replaced (its form is deleted after it), and once the new one shows.
    std::function<void()> boardChanging, boardChosen;
    std::function<void(const QString& text)> tell;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setPending(const QString& terminal);
    void drawSelectedStep();

    QComboBox* boardBox_ = nullptr;
    QScrollArea* boardScroll_ = nullptr;
    QPointer<BoardForm> board_;
    QListWidget* steps_ = nullptr;
    QLabel* check_ = nullptr;
    QLabel* pending_ = nullptr;
    QString pendingTerminal_;
    bool refreshing_ = false;
    bool have_ = false;       // an experiment is shown
    QString experiment_;      // its name
    QStringList storedSteps_; // the steps of its stored wiring text
};

} // namespace editor
