#include "app/RegisterView.h"

#include <QHeaderView>

namespace app {

RegisterView::RegisterView(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("registerView"));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("寄存器"), QStringLiteral("值")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->setStretchLastSection(true);
    QFont mono(QStringLiteral("Courier New"));
    mono.setPixelSize(12);
    setFont(mono);
    setFixedWidth(210);
}

void RegisterView::setRegisters(const std::vector<sim::RegisterValue>& registers) {
    const bool sameNames = topLevelItemCount() == int(registers.size());
    if (!sameNames)
        clear();
    for (int i = 0; i < int(registers.size()); ++i) {
        const QString name = QString::fromStdString(registers[std::size_t(i)].name);
        const QString value = QString::fromStdString(registers[std::size_t(i)].value);
        QTreeWidgetItem* item = sameNames ? topLevelItem(i) : new QTreeWidgetItem(this, {name, QString()});
        const bool changed = sameNames && item->text(1) != value;
        item->setText(0, name);
        item->setText(1, value);
        item->setForeground(1, changed ? QBrush(Qt::red) : palette().text());
    }
}

QString RegisterView::valueOf(const QString& name) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (topLevelItem(i)->text(0) == name)
            return topLevelItem(i)->text(1);
    return {};
}

} // namespace app
