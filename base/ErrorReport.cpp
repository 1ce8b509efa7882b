#include "base/ErrorReport.h"

#include <QApplication>
#include <QMessageBox>

namespace errorreport {

static QString& caption() {
    static QString text = QStringLiteral("labguide");
    return text;
}

void setCaption(const QString& text) { caption() = text; }

static void showBox(const QString& text) {
    // The box belongs to the active window, as the toolkit's default exception report does.
    QMessageBox::critical(QApplication::activeWindow(), caption(), text);
}

static Reporter& current() {
    static Reporter reporter = showBox;
    return reporter;
}

void report(const QString& text) { current()(text); }

void report(const std::exception& e) {
    if (const auto* err = dynamic_cast<const Error*>(&e))
        report(err->message());
    else
        report(QString::fromUtf8(e.what()));
}

Reporter setReporter(Reporter reporter) {
    Reporter previous = std::move(current());
    current() = std::move(reporter);
    return previous;
}

} // namespace errorreport
