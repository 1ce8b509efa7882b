#pragma once
// The look of a menu's separators: a line with room above and below it, so that a separator shows even
// where it opens its menu (the toolkit's own separators are two pixels high and merge with the menu's frame).
#include <QProxyStyle>

class MenuSeparatorStyle : public QProxyStyle {
    Q_OBJECT
public:
    // The height of a separator item, as in the menus of the system the program was made for.
    static constexpr int SeparatorHeight = 9;

    // Based on the application's style; owned by `parent` (the menu that uses it).
    explicit MenuSeparatorStyle(QObject* parent);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
};
