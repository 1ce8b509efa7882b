#include "viewers/HotKey.h"

namespace viewers {

QString stripHotKey(const QString& caption) {
    if (!caption.contains('&'))
        return caption;
    // The form added to captions with double-byte characters: "(", "&", the key, ")" at the end.
    const qsizetype n = caption.size();
    if (n >= 4 && caption[n - 4] == '(' && caption[n - 3] == '&' && caption[n - 1] == ')')
        return caption.left(n - 4);
    QString title = caption;
    title.remove(title.indexOf('&'), 1);
    return title;
}

} // namespace viewers
