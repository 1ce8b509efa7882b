#pragma once
// Menu captions carry a hot-key marking; a title is the caption without it.
#include <QString>

namespace viewers {

// "485接口(&4)" -> "485接口", "&AT89s52" -> "AT89s52", "LS2&73" -> "LS273"; a caption without "&" stays.
QString stripHotKey(const QString& caption);

} // namespace viewers
