#include "app/MenuSeparatorStyle.h"

#include <QStyleOptionMenuItem>

#include <algorithm>

MenuSeparatorStyle::MenuSeparatorStyle(QObject* parent) { setParent(parent); }

QSize MenuSeparatorStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                           const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuItem)
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                result.setHeight(std::max(result.height(), SeparatorHeight));
    return result;
}
