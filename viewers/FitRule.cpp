#include "viewers/FitRule.h"

namespace viewers {

QRect fitPicture(QSize picture, QSize box) {
    const qint64 w = picture.width(), h = picture.height();
    const qint64 cw = qMax(0, box.width()), ch = qMax(0, box.height());
    if (w <= 0 || h <= 0)
        return {};
    qint64 dw = w, dh = h;
    if (w > cw || h > ch) {
        if (w > h) {
            dw = cw;
            dh = cw * h / w;
            if (dh > ch) {
                dh = ch;
                dw = ch * w / h;
            }
        } else {
            dh = ch;
            dw = ch * w / h;
            if (dw > cw) {
                dw = cw;
                dh = cw * h / w;
            }
        }
    }
    return QRect(int((cw - dw) / 2), int((ch - dh) / 2), int(dw), int(dh));
}

} // namespace viewers
