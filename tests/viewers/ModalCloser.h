#pragma once
// Stands in for the user in front of a modal viewer: whenever a modal window is open, it lets it run for a
// while, hands it to a callback for inspection, and closes it with the close box.
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class ModalCloser {
public:
    using Inspect = std::function<void(QWidget* modal)>;
    explicit ModalCloser(Inspect inspect = {}, int openMs = 0);
    int openings() const { return openings_; }
    // Keeps each opening until `ready` holds (at most ten seconds, so a broken viewer cannot hang a test).
    void closeWhen(std::function<bool()> ready) { ready_ = std::move(ready); }

private:
    void poll();

    Inspect inspect_;
    std::function<bool()> ready_;
    int openMs_;
    int openings_ = 0;
    QTimer timer_;
    QPointer<QWidget> current_;
    QElapsedTimer since_;
};
