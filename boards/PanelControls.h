#pragma once
// The two controls of the experiment panel that Qt has no direct counterpart for.
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QStringList>

class QRadioButton;

// A titled group of radio items laid out in columns, with one selected item (or none, -1).
class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent = nullptr);

    int count() const { return static_cast<int>(buttons_.size()); }
    QString item(int index) const;
    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton* button(int index) const { return buttons_.value(index); }

signals:
    // The user selected another item.
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutItems();

    QList<QRadioButton*> buttons_;
    int columns_;
    int last_ = -1;
};

// A fixed-size static text. Its caption is kept exactly as set; a carriage return, alone or before a
// line feed, starts a new line on screen, and long lines wrap.
class TStaticText : public QLabel {
    Q_OBJECT
public:
    explicit TStaticText(const QString& caption, QWidget* parent = nullptr);
    const QString& caption() const { return caption_; }
    void setCaption(const QString& caption);

private:
    QString caption_;
};
