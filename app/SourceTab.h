#pragma once
// The source tab as the engine drives it: the editor SynEdtasm with the main window's three highlighters.
#include "engine/linksheet.h"

class TSynEdit;
class TAsmHighlighters;

class SourceTab : public SourceView {
public:
    SourceTab(TSynEdit* editor, const TAsmHighlighters* highlighters) : editor_(editor), highlighters_(highlighters) {}
    void clear() override;
    void setHighlighter(AsmHighlighter which) override;
    void loadFromFile(const QString& path) override;

private:
    TSynEdit* editor_;
    const TAsmHighlighters* highlighters_;
};
