#include "tests/viewers/ModalCloser.h"

#include <QApplication>

ModalCloser::ModalCloser(Inspect inspect, int openMs) : inspect_(std::move(inspect)), openMs_(openMs) {
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
}

void ModalCloser::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        current_ = nullptr;
        return;
    }
    if (modal != current_) {
        current_ = modal;
        since_.start();
    }
    if (since_.elapsed() < openMs_)
        return;
    if (ready_ && !ready_() && since_.elapsed() < 10000)
        return;
    ++openings_;
    if (inspect_)
        inspect_(modal);
    modal->close(); // as the close box does
    current_ = nullptr;
}
