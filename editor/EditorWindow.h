#pragma once
// The experiment editor's main window: the experiments of the catalogue by type, the ten columns of the
// chosen one with their byte counts, wiring by clicking on a board as labguide draws it, source and picture
// previews, saving with undo and redo, content packs, and a trial run of the experiment being edited. The
// panes show and ask; the window holds the catalogue and makes every edit.
#include "editor/ExperimentSet.h"

#include <QMainWindow>
#include <QPointer>
#include <QUndoStack>

#include <functional>

#include "boards/BoardForm.h"
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class TSynEdit;
#include "source/AsmHighlighters.h" // the previews' highlighters (token kinds for those who check colours)

namespace editor {

class ExperimentListPane;
class FieldsPane;
class PicturePreview;
class PreviewTabs;
class TrialRun;
class WiringPane;

class EditorWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EditorWindow(QWidget* parent = nullptr);
    ~EditorWindow() override;

    // Opens a catalogue; on failure says why (inUseText() when labguide holds it) and keeps what was open.
    bool openCatalogue(const QString& path);
    // Saves, after the blockers and warnings; false when nothing was saved.
    bool save();
    bool modified() const { return !undo_.isClean(); }

    // The experiment type shown (1..4) and the row being edited (-1: none).
    int shownType() const { return type_; }
    void showType(int cpuType);
    int currentRow() const { return row_; }
    void selectRow(int row);
    // A new experiment of the shown type; false (with a message) when the name is empty or taken.
    bool newExperiment(const QString& name);
    bool renameExperiment(const QString& name);
    void duplicateExperiment();
    void deleteExperiment();
    // The board the wiring is clicked on; one of those that offer the experiment's type.
    void chooseBoard(const QString& board);
    // A click on a terminal by its name as the board spells it: the second of two appends a step.
    void terminalClicked(const QString& terminal);

    const ExperimentSet& experiments() const { return set_; }
    QUndoStack& undoStack() { return undo_; }
    BoardForm* boardForm() const;
    QListWidget* stepList() const;
    QLabel* checkLabel() const;
    QLineEdit* field(const QString& column) const;
    QLabel* counter(const QString& column) const;
    PicturePreview* circuitPreview() const;
    TSynEdit* sourcePreview() const;
    TrialRun* trialRun() const { return trial_; }

    // The questions the window asks (tests answer them): a yes/no/cancel for unsaved work, a plain message.
    enum class Answer { Save, Discard, Cancel };
    std::function<Answer()> askUnsaved;
    std::function<void(const QString& text)> tell;
    std::function<bool(const QString& text)> confirm;
    // What a pack holds otherwise than the working folder ("实验 [51] NAME", "文件 pic/x.jpg"), asked before
    // anything is written: replace them, keep ours, or stop.
    enum class ClashAnswer { Replace, Keep, Cancel };
    std::function<ClashAnswer(const QStringList& clashes)> askClashes;

    // The two pack commands after their file dialogs; false (with a message) when nothing was done.
    bool exportPackTo(const QList<CatalogueRow>& rows, const QString& path);
    // Merges the pack into the working folder and reopens the catalogue (its unsaved edits must be saved
    // first).
    bool importPackFrom(const QString& path);

    // Replaces the rows as an undoable edit (the row `select` is shown afterwards).
    void editRows(const QList<CatalogueRow>& rows, int select, const QString& what, int mergeKey = -1);
    // Applies rows without recording (undo and redo).
    void applyRows(const QList<CatalogueRow>& rows, int select);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void connectPanes();
    void refreshFields();
    void refreshWiring();
    void refreshPreviews();
    void refreshTitle();
    void fieldEdited(QString CatalogueRow::*field, const QString& text);
    void cpuTypeChosen(int cpuType);
    void setSteps(const QStringList& steps, int select);
    void chooseFile(QString CatalogueRow::*field);
    bool maybeSave();
    void openDialog();
    void exportPack();
    void importPack();

    ExperimentSet set_;
    QUndoStack undo_;
    int type_ = 1;
    int row_ = -1;
    QString attempted_;     // the folder of the catalogue last opened or tried
    QString attemptedPath_; // and that catalogue
    QString openFailure_;    // why the last open failed (labguide holding the catalogue, say)
    QLabel* noCatalogue_ = nullptr;

    QTabWidget* tabs_ = nullptr;
    ExperimentListPane* list_ = nullptr;
    FieldsPane* fields_ = nullptr;
    WiringPane* wiring_ = nullptr;
    PreviewTabs* previews_ = nullptr;
    TrialRun* trial_ = nullptr;
};

} // namespace editor
