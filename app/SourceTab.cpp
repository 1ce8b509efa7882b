#include "app/SourceTab.h"

#include "source/AsmHighlighters.h"
#include "source/SynEdit.h"

void SourceTab::clear() { editor_->clearLines(); }

void SourceTab::setHighlighter(AsmHighlighter which) {
    switch (which) {
    case AsmHighlighter::Asm51: editor_->setHighlighter(highlighters_->SynAsmSyn51()); break;
    case AsmHighlighter::Asm88: editor_->setHighlighter(highlighters_->SynAsmSyn88()); break;
    case AsmHighlighter::Asm96: editor_->setHighlighter(highlighters_->SynAsmSyn96()); break;
    }
}

void SourceTab::loadFromFile(const QString& path) { editor_->loadFromFile(path); }
