#include "app/MenuSeparatorStyle.h"

#include <QApplication>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>

// A style of the application style's kind (the proxy owns it; the application's own stays untouched).
MenuSeparatorStyle::MenuSeparatorStyle(QObject* parent)
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
    setParent(parent);
}

QSize MenuSeparatorStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                           const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuItem)
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option))
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                result.setHeight(std::max(result.height(), SeparatorHeight));
    return result;
}
