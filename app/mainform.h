#pragma once
// The main window mainform: the three tabs (source, machine layout, video), the menu bar with the reference
// and board-model menus, the catalogue connection and the model choice.
#include "engine/Catalogue.h"
#include "source/AsmHighlighters.h"

#include <QColor>
#include <QFont>
#include <QFrame>
#include <QHash>
#include <QMainWindow>

#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QTabWidget;
class BoardForm;
class TSynEdit;
class VideoTab;
class SourceTab;

// The dock panel of the "机器布局" tab: a panel whose caption is drawn centred on it. The caption's font and
// colour are the panel's own and are not handed down: a board docked into the panel keeps its own font.
class DockPanel : public QFrame {
    Q_OBJECT
public:
    explicit DockPanel(QWidget* parent = nullptr);
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void setCaptionFont(const QFont& font);
    QFont captionFont() const { return captionFont_; }
    void setCaptionColor(const QColor& color);
    QColor captionColor() const { return captionColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QFont captionFont_;
    QColor captionColor_;
};

class Tmainform : public QMainWindow {
    Q_OBJECT
public:
    static const QString Caption;    // "实验演示向导"
    static const QString WebAddress; // shown by Label1, opened by Label1Click

    explicit Tmainform(QWidget* parent = nullptr);
    ~Tmainform() override;

    // Components, by their names.
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    TSynEdit* SynEdtasm = nullptr;
    DockPanel* pnl_dock = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    CatalogueConnection ADOConnection1;
    TAsmHighlighters highlighters;
    TSynAsmSyn* SynAsmSyn88() const { return highlighters.SynAsmSyn88(); }
    TSynAsmSyn* SynAsmSyn51() const { return highlighters.SynAsmSyn51(); }
    TSynAsmSyn* SynAsmSyn96() const { return highlighters.SynAsmSyn96(); }
    VideoTab* videoTab() const { return videoTab_.get(); }

    // A menu item by its name (N1, QK740X, n_ic89s52, ...); nullptr when there is none.
    QAction* menuItem(const QString& name) const { return menuItems_.value(name); }
    const QList<QAction*>& referenceItems() const { return referenceItems_; }

    // The board form docked in pnl_dock; none at start.
    BoardForm* DockedBoard = nullptr;
    // Whether the window opened smaller than designed, to fit the screen's free area.
    bool OpenedFitted = false;

    // Handlers.
    void FormCreate();
    void FormClose();
    void Label1Click();
    void ActQK740XExecute();
    void QK620XClick();
    void QK310X1Click();
    void QK930XClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildTabs();
    void buildMenu();
    // The steps every model handler takes, with its row's values.
    void chooseModel(const QString& itemName, const QString& model, BoardForm* form, int cpuType);

    QHash<QString, QAction*> menuItems_;
    QList<QAction*> referenceItems_;
    QActionGroup* modelGroup_ = nullptr;
    std::unique_ptr<SourceTab> sourceTab_;
    std::unique_ptr<VideoTab> videoTab_;
};

// The program's one main window.
extern Tmainform* mainform;

namespace app {
// Creates the seven forms in their order (the main window first) and wires the engine and the viewers to
// them; shows the main window with the "机器布局" tab in front.
Tmainform* createForms();
// The window icon, drawn once.
QIcon programIcon();
} // namespace app
