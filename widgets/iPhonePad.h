#pragma once
// TiPhonePad: twelve keys in a fixed 4 x 3 arrangement (rows from the top: 1 2 3, 4 5 6, 7 8 9, Star 0 Pound).
// A click on a key reports the key's index and character, whatever its caption.
#include "widgets/iCustomComponent.h"

#include <array>

class TiPhonePad : public TiCustomComponent {
    Q_OBJECT
    Q_PROPERTY(QString ButtonCaption0 READ ButtonCaption0 WRITE setButtonCaption0)
    Q_PROPERTY(QString ButtonCaption1 READ ButtonCaption1 WRITE setButtonCaption1)
    Q_PROPERTY(QString ButtonCaption2 READ ButtonCaption2 WRITE setButtonCaption2)
    Q_PROPERTY(QString ButtonCaption3 READ ButtonCaption3 WRITE setButtonCaption3)
    Q_PROPERTY(QString ButtonCaption4 READ ButtonCaption4 WRITE setButtonCaption4)
    Q_PROPERTY(QString ButtonCaption5 READ ButtonCaption5 WRITE setButtonCaption5)
    Q_PROPERTY(QString ButtonCaption6 READ ButtonCaption6 WRITE setButtonCaption6)
    Q_PROPERTY(QString ButtonCaption7 READ ButtonCaption7 WRITE setButtonCaption7)
    Q_PROPERTY(QString ButtonCaption8 READ ButtonCaption8 WRITE setButtonCaption8)
    Q_PROPERTY(QString ButtonCaption9 READ ButtonCaption9 WRITE setButtonCaption9)
    Q_PROPERTY(QString ButtonCaptionStar READ ButtonCaptionStar WRITE setButtonCaptionStar)
    Q_PROPERTY(QString ButtonCaptionPound READ ButtonCaptionPound WRITE setButtonCaptionPound)
    Q_PROPERTY(bool ButtonVisible0 READ ButtonVisible0 WRITE setButtonVisible0)
    Q_PROPERTY(bool ButtonVisible1 READ ButtonVisible1 WRITE setButtonVisible1)
    Q_PROPERTY(bool ButtonVisible2 READ ButtonVisible2 WRITE setButtonVisible2)
    Q_PROPERTY(bool ButtonVisible3 READ ButtonVisible3 WRITE setButtonVisible3)
    Q_PROPERTY(bool ButtonVisible4 READ ButtonVisible4 WRITE setButtonVisible4)
    Q_PROPERTY(bool ButtonVisible5 READ ButtonVisible5 WRITE setButtonVisible5)
    Q_PROPERTY(bool ButtonVisible6 READ ButtonVisible6 WRITE setButtonVisible6)
    Q_PROPERTY(bool ButtonVisible7 READ ButtonVisible7 WRITE setButtonVisible7)
    Q_PROPERTY(bool ButtonVisible8 READ ButtonVisible8 WRITE setButtonVisible8)
    Q_PROPERTY(bool ButtonVisible9 READ ButtonVisible9 WRITE setButtonVisible9)
    Q_PROPERTY(bool ButtonVisibleStar READ ButtonVisibleStar WRITE setButtonVisibleStar)
    Q_PROPERTY(bool ButtonVisiblePound READ ButtonVisiblePound WRITE setButtonVisiblePound)
    Q_PROPERTY(double OuterMargin READ OuterMargin WRITE setOuterMargin)
    Q_PROPERTY(double ButtonSpacing READ ButtonSpacing WRITE setButtonSpacing)
    Q_PROPERTY(bool ShowFocusRect READ ShowFocusRect WRITE setShowFocusRect)

public:
    static constexpr int kKeyCount = 12;
    static constexpr int kStar = 10;
    static constexpr int kPound = 11;

    struct Key {
        QRect rect;
        bool pressed = false;
    };

    explicit TiPhonePad(QWidget* parent = nullptr);

    // Key index: 0 ... 9 the digit keys, 10 Star, 11 Pound.
    QString ButtonCaption(int index) const;
    void setButtonCaption(int index, const QString& caption);
    bool ButtonVisible(int index) const;
    void setButtonVisible(int index, bool on);
    QString ButtonCaption0() const { return ButtonCaption(0); }
    void setButtonCaption0(const QString& c) { setButtonCaption(0, c); }
    QString ButtonCaption1() const { return ButtonCaption(1); }
    void setButtonCaption1(const QString& c) { setButtonCaption(1, c); }
    QString ButtonCaption2() const { return ButtonCaption(2); }
    void setButtonCaption2(const QString& c) { setButtonCaption(2, c); }
    QString ButtonCaption3() const { return ButtonCaption(3); }
    void setButtonCaption3(const QString& c) { setButtonCaption(3, c); }
    QString ButtonCaption4() const { return ButtonCaption(4); }
    void setButtonCaption4(const QString& c) { setButtonCaption(4, c); }
    QString ButtonCaption5() const { return ButtonCaption(5); }
    void setButtonCaption5(const QString& c) { setButtonCaption(5, c); }
    QString ButtonCaption6() const { return ButtonCaption(6); }
    void setButtonCaption6(const QString& c) { setButtonCaption(6, c); }
    QString ButtonCaption7() const { return ButtonCaption(7); }
    void setButtonCaption7(const QString& c) { setButtonCaption(7, c); }
    QString ButtonCaption8() const { return ButtonCaption(8); }
    void setButtonCaption8(const QString& c) { setButtonCaption(8, c); }
    QString ButtonCaption9() const { return ButtonCaption(9); }
    void setButtonCaption9(const QString& c) { setButtonCaption(9, c); }
    QString ButtonCaptionStar() const { return ButtonCaption(10); }
    void setButtonCaptionStar(const QString& c) { setButtonCaption(10, c); }
    QString ButtonCaptionPound() const { return ButtonCaption(11); }
    void setButtonCaptionPound(const QString& c) { setButtonCaption(11, c); }
    bool ButtonVisible0() const { return ButtonVisible(0); }
    void setButtonVisible0(bool on) { setButtonVisible(0, on); }
    bool ButtonVisible1() const { return ButtonVisible(1); }
    void setButtonVisible1(bool on) { setButtonVisible(1, on); }
    bool ButtonVisible2() const { return ButtonVisible(2); }
    void setButtonVisible2(bool on) { setButtonVisible(2, on); }
    bool ButtonVisible3() const { return ButtonVisible(3); }
    void setButtonVisible3(bool on) { setButtonVisible(3, on); }
    bool ButtonVisible4() const { return ButtonVisible(4); }
    void setButtonVisible4(bool on) { setButtonVisible(4, on); }
    bool ButtonVisible5() const { return ButtonVisible(5); }
    void setButtonVisible5(bool on) { setButtonVisible(5, on); }
    bool ButtonVisible6() const { return ButtonVisible(6); }
    void setButtonVisible6(bool on) { setButtonVisible(6, on); }
    bool ButtonVisible7() const { return ButtonVisible(7); }
    void setButtonVisible7(bool on) { setButtonVisible(7, on); }
    bool ButtonVisible8() const { return ButtonVisible(8); }
    void setButtonVisible8(bool on) { setButtonVisible(8, on); }
    bool ButtonVisible9() const { return ButtonVisible(9); }
    void setButtonVisible9(bool on) { setButtonVisible(9, on); }
    bool ButtonVisibleStar() const { return ButtonVisible(10); }
    void setButtonVisibleStar(bool on) { setButtonVisible(10, on); }
    bool ButtonVisiblePound() const { return ButtonVisible(11); }
    void setButtonVisiblePound(bool on) { setButtonVisible(11, on); }

    // Fractions of a key's size.
    double OuterMargin() const { return outerMargin_; }
    void setOuterMargin(double m); // negative counts as 0
    double ButtonSpacing() const { return buttonSpacing_; }
    void setButtonSpacing(double s); // negative counts as 0
    bool ShowFocusRect() const { return showFocusRect_; }
    void setShowFocusRect(bool on);

    // The character a key reports: "0" ... "9", "*", "#".
    static QChar KeyCharacter(int index);
    // Works out the keys' rectangles for the current size (done before every paint).
    void Layout();
    const Key& KeyAt(int index) const { return keys_[size_t(index)]; }
    // The visible key under the point, or -1.
    int KeyIndexAt(const QPoint& p) const;

    void PaintTo(QPainter& canvas) override;

signals:
    void keyClick(int index, QChar character);

protected:
    void HandleMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void HandleMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) override;
    void changeEvent(QEvent* event) override;
    void SizeChanged() override { Layout(); }

private:
    std::array<QString, kKeyCount> captions_;
    std::array<bool, kKeyCount> visible_;
    std::array<Key, kKeyCount> keys_;
    double outerMargin_ = 0.05;
    double buttonSpacing_ = 0.1;
    bool showFocusRect_ = true;
    int pressedKey_ = -1;
};
