#include "editor/PicturePreview.h"

#include "base/ErrorReport.h"
#include "codecs/PictureLoader.h"
#include "viewers/FitRule.h"

#include <QFileInfo>
#include <QPainter>

namespace editor {

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(200, 150);
}

void PicturePreview::showFile(const QString& path) {
    image_ = QImage();
    message_.clear();
    if (path.isEmpty())
        message_ = QStringLiteral("未指定图片");
    else if (!QFileInfo(path).isFile())
        message_ = QStringLiteral("找不到图片文件");
    else {
        try {
            image_ = codecs::loadPicture(path).image;
        } catch (const Error& e) {
            message_ = QStringLiteral("不能显示图片：\n%1").arg(e.message());
        }
    }
    update();
}

void PicturePreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (!image_.isNull())
        p.drawImage(viewers::fitPicture(image_.size(), size()), image_);
    else
        p.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, message_);
}

} // namespace editor
