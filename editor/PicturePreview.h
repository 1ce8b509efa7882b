#pragma once
// A picture shown as the picture viewer shows it: loaded by the program's own decoders, centred and shrunk to
// fit with its aspect kept, never enlarged.
#include <QImage>
#include <QWidget>

namespace editor {

class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);
    // Shows the file, or a line saying why not (missing, undecodable); an empty path shows nothing.
    void showFile(const QString& path);
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    QString message_;
};

} // namespace editor
