#include "engine/linksheet.h"
#include "engine/TerminalName.h"

#include <QPainter>

namespace {

QByteArray trimmed(QByteArrayView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20)
        --e;
    return QByteArray(s.data() + b, e - b);
}

QByteArray upperAscii(QByteArray s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return s;
}

QPoint centre(const QRect& r) { return {r.left() + r.width() / 2, r.top() + r.height() / 2}; }

} // namespace

std::pair<QByteArray, QByteArray> stepTerminalNames(QByteArrayView step) {
    const QByteArray s = trimmed(step);
    const qsizetype gt = s.indexOf('>');
    // Without ">" the first name is the bare prefix and the whole step names the second.
    const QByteArray first = gt < 0 ? QByteArray() : s.left(gt);
    const QByteArray second = gt < 0 ? s : s.mid(gt + 1);
    return {terminalname::component(upperAscii(trimmed(first))), terminalname::component(upperAscii(trimmed(second)))};
}

bool DrawWiringStep(QByteArrayView step, const WiringBoard& form, LinkLayer& paintBox) {
    const auto [name1, name2] = stepTerminalNames(step);
    int found1 = -1, found2 = -1;
    for (int i = 0, n = form.componentCount(); i < n && (found1 < 0 || found2 < 0); ++i) {
        const QByteArray name = upperAscii(form.componentName(i).toLatin1());
        if (found1 < 0 && name == name1)
            found1 = i;
        if (found2 < 0 && name == name2)
            found2 = i;
    }
    if (found1 < 0 || found2 < 0)
        return false;
    paintBox.Refresh();
    paintBox.showConnection({centre(form.componentRect(found1)), centre(form.componentRect(found2))});
    return true;
}

void paintConnection(QPainter& painter, const LinkConnection& c) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(QColor(255, 0, 0));
    painter.setPen(QPen(QColor(0, 255, 0), 1));
    // The circle's box runs from centre - 5 to centre + 5, right and bottom edges excluded.
    painter.drawEllipse(QRect(c.from.x() - 5, c.from.y() - 5, 9, 9));
    painter.drawEllipse(QRect(c.to.x() - 5, c.to.y() - 5, 9, 9));
    painter.setPen(QPen(QColor(0, 0, 255), 2));
    painter.drawLine(c.from, c.to);
    painter.restore();
}
