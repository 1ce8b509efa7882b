#include "boards/PanelControls.h"

#include <QRadioButton>
#include <QResizeEvent>

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(title, parent), columns_(qMax(1, columns)) {
    for (const QString& text : items) {
        auto* b = new QRadioButton(text, this);
        b->setObjectName(text);
        buttons_.append(b);
        connect(b, &QRadioButton::clicked, this, [this] {
            // Clicking the item already selected is no change and no event.
            const int now = itemIndex();
            if (now != last_) {
                last_ = now;
                emit clicked();
            }
        });
    }
    layoutItems();
}

QString TRadioGroup::item(int index) const {
    const QRadioButton* b = buttons_.value(index);
    return b ? b->text() : QString();
}

int TRadioGroup::itemIndex() const {
    for (int i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->isChecked())
            return i;
    return -1;
}

void TRadioGroup::setItemIndex(int index) {
    if (index >= 0 && index < buttons_.size()) {
        buttons_[index]->setChecked(true);
    } else {
        for (QRadioButton* b : buttons_) {
            b->setAutoExclusive(false);
            b->setChecked(false);
            b->setAutoExclusive(true);
        }
    }
    last_ = itemIndex();
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    layoutItems();
}

void TRadioGroup::layoutItems() {
    // Items fill the area below the title, column by column, each column an equal share of the width.
    if (buttons_.isEmpty())
        return;
    const int top = fontMetrics().height();
    const int rows = (static_cast<int>(buttons_.size()) + columns_ - 1) / columns_;
    const int innerW = qMax(0, width() - 16);
    const int innerH = qMax(0, height() - top - 4);
    const int colW = innerW / columns_;
    const int rowH = qMax(1, innerH / rows);
    for (int i = 0; i < buttons_.size(); ++i) {
        const int col = i / rows, row = i % rows;
        buttons_[i]->setGeometry(8 + col * colW, top + row * rowH, colW, qMin(rowH, buttons_[i]->sizeHint().height()));
    }
}

static QString screenText(const QString& caption) {
    QString s = caption;
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

TStaticText::TStaticText(const QString& caption, QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCaption(caption);
}

void TStaticText::setCaption(const QString& caption) {
    caption_ = caption;
    setText(screenText(caption));
}
