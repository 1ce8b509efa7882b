#pragma once
// The terminal finder: a small box, not modal, that finds a terminal of the docked board by its name or hint
// (with completion from the board's names and hints), rings it on the board and names its module block.
#include <QDialog>

#include <functional>

class BoardForm;
class QCompleter;
class QLabel;
class QLineEdit;
class QPushButton;

namespace boards {

class TerminalFinder : public QDialog {
    Q_OBJECT
public:
    explicit TerminalFinder(QWidget* parent = nullptr);

    // The board searched; its names and hints feed the completion.
    void setBoard(BoardForm* form);
    // Where the board comes from: asked again at each search, so that a board docked meanwhile is the one
    // searched.
    void setBoardSource(std::function<BoardForm*()> source) { source_ = std::move(source); }
    BoardForm* board() const { return form_; }
    // Shows the box with the input selected.
    void open() override;
    // Looks the text up on the board, rings the terminal found and says what was found; returns the component
    // index or -1.
    int find(const QString& text);

    QLineEdit* input() const { return input_; }
    QLabel* message() const { return message_; }
    QCompleter* completer() const { return completer_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BoardForm* form_ = nullptr;
    std::function<BoardForm*()> source_;
    QLineEdit* input_ = nullptr;
    QPushButton* button_ = nullptr;
    QLabel* message_ = nullptr;
    QCompleter* completer_ = nullptr;
};

} // namespace boards
