#pragma once
// The list of assembly errors below a source editor, as a run that could not start shows them: one red
// line per error with its line number and reason ("第12行：未定义的符号 DELAY1"); activating one puts the
// editor's cursor on its line. Hidden while there is nothing to show.
#include "sim/Assembler51.h"

#include <QListWidget>

#include <vector>

class TSynEdit;

namespace boards {

class AsmErrorList : public QListWidget {
    Q_OBJECT
public:
    AsmErrorList(TSynEdit& editor, QWidget* parent);
    // Lists the errors and puts the cursor on the first; the caller brings the source to the front.
    void showErrors(const std::vector<sim::AsmError>& errors);
    // Empties and hides the list.
    void dismiss();

private:
    TSynEdit& editor_;
};

} // namespace boards
