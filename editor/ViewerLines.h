#pragma once
// The text viewer does not wrap: 实验目的, 实验要求 and 实验说明 carry their own line breaks, made here as the
// bundled texts were made (data/scripts/break_texts.py), so that every line fits the viewer as it first opens.
#include "engine/CatalogueSource.h"

#include <QString>

namespace editor {

// The widest line kept, in pixels of the viewer's font (TFrmEdit::textFont()): the viewer shows 545; the rest is room for hinting
// that differs between displays.
constexpr qreal ViewerLineLimit = 533;

// The text with each line wider than the limit broken, CR LF between lines: after Chinese punctuation near
// the line's end, else where Chinese meets ASCII, else between Chinese characters; never inside an ASCII
// word, number or phrase, never before closing or after opening punctuation, and never leaving fewer than
// four Chinese characters' width on the last line. A text whose lines all fit is returned as it is; a line
// with no place to break stays whole.
QString breakViewerLines(const QString& text);

// The row with its viewer texts broken so.
CatalogueRow withViewerLines(CatalogueRow row);

} // namespace editor
