#pragma once
// A source file as a standalone HTML page, coloured the way the source view colours it with a highlighter.
#include "source/SynEditHighlighter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace htmllisting {

// The page, in UTF-8. The file's bytes are read as the editor reads them (sourcetext::decodeLines: GBK, or
// UTF-8 when they are clearly UTF-8); attributes without a colour take the editor's text and background colours.
QByteArray render(QByteArrayView fileBytes, TSynCustomHighlighter& highlighter, const QString& title);

} // namespace htmllisting
