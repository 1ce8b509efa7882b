#pragma once
// The registers of a paused run, beside the source editor: a compact read-only two-column list.
#include "sim/Cpu.h"

#include <QTreeWidget>

#include <vector>

namespace app {

class RegisterView : public QTreeWidget {
    Q_OBJECT
public:
    explicit RegisterView(QWidget* parent = nullptr);
    // Shows the registers; values that changed since the last call are drawn in red.
    void setRegisters(const std::vector<sim::RegisterValue>& registers);
    QString valueOf(const QString& name) const;
};

} // namespace app
