#pragma once
#include <QApplication>

// The application object: an error that escapes a handler reaches the default error report here instead of
// ending the program.
class LabApplication : public QApplication {
public:
    LabApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
