#pragma once
// The picture viewer's picture box: holds the picture last loaded and draws it by the fit rule. The fitted
// copy is made once per size (on every resize), from a cached chain of halved copies so that re-fitting a
// large picture reads only a little more than the pixels it draws.
#include <QImage>
#include <QWidget>

#include <vector>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);

    // Replaces the picture (any format; kept as RGB32 or premultiplied ARGB32) and re-fits it.
    void setPicture(QImage picture);
    const QImage& picture() const { return picture_; }
    // Where the picture is drawn now, in the box's coordinates.
    QRect drawnRect() const { return drawn_; }
    // The pixels drawn there (the picture itself when it is drawn at its own size).
    const QImage& fittedPicture() const { return fitted_.isNull() ? picture_ : fitted_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refit();
    const QImage& sourceFor(QSize drawn);

    QImage picture_;
    std::vector<QImage> halves_; // halves_[i] is the picture shrunk 2^(i+1) times, made on demand
    QRect drawn_;
    QImage fitted_;
};
