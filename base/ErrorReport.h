#pragma once
// The program's default error report: an error that a handler does not handle ends the handler and is
// shown in one message box; the program goes on.
#include <QString>

#include <functional>
#include <stdexcept>

// The error every layer raises; its text is shown as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

namespace errorreport {

using Reporter = std::function<void(const QString& text)>;

// Shows the error's text in the default error report.
void report(const QString& text);
void report(const std::exception& e);

// The caption of the message box (the program's name).
void setCaption(const QString& caption);

// Replaces the message box (tests record instead); returns the previous reporter.
Reporter setReporter(Reporter reporter);

// Runs a handler body; any error it raises goes to the default report instead of crossing Qt's event dispatch.
template <class F> bool guarded(F&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        report(e);
    } catch (...) {
        report(QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace errorreport
