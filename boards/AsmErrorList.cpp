#include "boards/AsmErrorList.h"

#include "source/SynEdit.h"

namespace boards {

AsmErrorList::AsmErrorList(TSynEdit& editor, QWidget* parent) : QListWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("asmErrors"));
    setMaximumHeight(120);
    hide();
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (const int line = item->data(Qt::UserRole).toInt(); line > 0) {
            editor_.setCaret(line - 1, 0);
            editor_.setFocus();
        }
    });
}

void AsmErrorList::showErrors(const std::vector<sim::AsmError>& errors) {
    clear();
    for (const sim::AsmError& e : errors) {
        auto* item = new QListWidgetItem(e.message, this);
        item->setData(Qt::UserRole, e.line);
        item->setForeground(Qt::red);
    }
    show();
    if (!errors.empty() && errors.front().line > 0) {
        const int line = errors.front().line;
        setCurrentRow(0);
        editor_.setCaret(line - 1, 0);
        editor_.ensureLineVisible(line - 1);
    }
    editor_.setFocus();
}

void AsmErrorList::dismiss() {
    clear();
    hide();
}

} // namespace boards
