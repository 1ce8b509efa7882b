#pragma once
// The family of the four board view forms: on top the experiment panel Panel1 (type, experiment list,
// wiring hint, step and document buttons), below it the frame Panel2 with the board area pnl_dock.
// The board's drawing comes from its layout file; the forms keep their components in one ordered list.
#include "boards/BoardArea.h"
#include "boards/BoardLayout.h"
#include "boards/PanelControls.h"
#include "engine/linksheet.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace boards {
// Creates the instrument widget of a layout component (a later layer supplies it); nullptr leaves the
// component without a widget. Setting one returns the factory it replaces.
using WidgetFactory = std::function<QWidget*(const Component& component, QWidget* parent)>;
WidgetFactory setWidgetFactory(WidgetFactory factory);
} // namespace boards

class BoardForm : public QWidget, public WiringBoard {
    Q_OBJECT
public:
    // A top-level window (owned by `parent`), hidden, at its designed size.
    BoardForm(const QString& board, QWidget* parent);
    // A form of a given layout (tools and tests).
    BoardForm(boards::BoardLayout layout, QWidget* parent);
    ~BoardForm() override;

    const boards::BoardLayout& layout() const { return layout_; }
    QString board() const { return layout_.board; }
    // The client size the form was designed with; docking keeps it.
    QSize designedSize() const { return layout_.clientSize; }
    // The board's zoom: the board area and everything on it are shown scaled, the experiment panel stays.
    // Nothing of it is stored; each form starts at 1.
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    // The form's size at a zoom (its designed size at 1). The experiment panel keeps its width.
    QSize sizeAt(double zoom) const;
    // The largest zoom at which the whole form fits into a size (a docking panel's).
    double zoomToFit(const QSize& room) const;
    // Docks the form into a panel of the main window at its designed size, at the panel's top-left corner.
    // The form stays hidden until shown.
    void dockInto(QWidget* panel);

    // The experiment panel.
    QFrame* Panel1() const { return panel1_; }
    TRadioGroup* RGTYPE() const { return rgtype_; }
    QLabel* Label1() const { return label1_; }
    QComboBox* cbExam() const { return cbExam_; }
    TStaticText* st_tishi() const { return stTishi_; }
    QPushButton* BitBtn_prev() const { return prev_; }
    QPushButton* BitBtn_next() const { return next_; }
    QPushButton* BitBtn_yaoqiu() const { return yaoqiu_; }
    QPushButton* BitBtn_result() const { return result_; }
    QPushButton* bbtn_descrip() const { return descrip_; }
    QPushButton* BitBtn_sch() const { return sch_; }
    QPushButton* BitBtn_flow() const { return flow_; }
    // The frame and the board area (which is also the link layer PaintBox_link).
    QFrame* Panel2() const { return panel2_; }
    boards::BoardArea* boardArea() const { return area_; }
    LinkLayer& PaintBox_link() const { return *area_; }

    // The components in stored order, after the normalisation at creation.
    const QList<boards::Component>& components() const {
        sizeLabels();
        return components_;
    }
    // The index of the component with that name, compared without letter case; -1 when there is none.
    int indexOf(const QString& name) const;
    // The widget created for a widget component, or nullptr.
    QWidget* widgetOf(int index) const;

    // The CpuType an item of RGTYPE stands for, and that of the selected item (0 when none is selected).
    int cpuTypeOfItem(int item) const;
    int selectedCpuType() const;

    // WiringBoard: components in order with their rectangles in board-area coordinates.
    int componentCount() const override { return static_cast<int>(components_.size()); }
    QString componentName(int index) const override { return components_[index].name; }
    QRect componentRect(int index) const override;

    // Handlers. They raise Error on failure; the connected signals run them through errorreport::guarded.
    void FormShow();
    void RGTYPEClick();
    void cbExamChange();
    void BitBtn_nextClick();
    void BitBtn_prevClick();
    void BitBtn_yaoqiuClick();
    void BitBtn_resultClick();
    void bbtn_descripClick();
    void BitBtn_schClick();
    void BitBtn_flowClick();
    // The block click handler (sb_cpuClick on boards QK740X and QK620X, sb_speakerClick on the other two;
    // both do the same): opens the component's reference picture if its click is wired.
    void sb_cpuClick(int index);
    void sb_speakerClick(int index) { sb_cpuClick(index); }
    // Whether clicking the component opens a picture.
    bool clickWired(int index) const;

signals:
    // A step button tried to draw the step at `index` (whether or not it could).
    void stepTried(int index);
    // The zoom changed (the form has its new size).
    void zoomChanged(double zoom);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Creation: the normalisation of the drawing (the digit banner, once the widgets exist, comes first).
    void FormCreate();

private:
    void buildPanel();
    void buildBoard();
    void layoutPanels();
    void sizeLabels() const;
    void connectHandlers();
    void fillList();
    void updateStepButtons();
    void drawStep(int index);
    void showPictureFile(const QByteArray& storedName, const QString& titlePrefix);

    boards::BoardLayout layout_;
    mutable QList<boards::Component> components_; // labels get their size on first use (sizeLabels)
    mutable bool labelsSized_ = false;
    QList<QWidget*> widgets_; // per component, nullptr where none was created
    int linkLayer_ = -1;
    double zoom_ = 1.0;

    QFrame* panel1_ = nullptr;
    TRadioGroup* rgtype_ = nullptr;
    QLabel* label1_ = nullptr;
    QComboBox* cbExam_ = nullptr;
    TStaticText* stTishi_ = nullptr;
    QPushButton* prev_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* yaoqiu_ = nullptr;
    QPushButton* result_ = nullptr;
    QPushButton* descrip_ = nullptr;
    QPushButton* sch_ = nullptr;
    QPushButton* flow_ = nullptr;
    QFrame* panel2_ = nullptr;
    boards::BoardArea* area_ = nullptr;
};
