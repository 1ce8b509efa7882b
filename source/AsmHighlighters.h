#pragma once
// The three assembly highlighters of the main window, SynAsmSyn88, SynAsmSyn51 and SynAsmSyn96: one class,
// three colourings.
#include "source/SynHighlighterAsm.h"

#include <memory>

namespace asmhighlighters {

// Creates the instance for the "51", "88" or "96" experiment type with its stored colours and filter; the
// instance sends one notification when loading ends. Any other type yields null.
std::unique_ptr<TSynAsmSyn> create(int asmType);

} // namespace asmhighlighters

// The main window's three instances.
class TAsmHighlighters {
public:
    TAsmHighlighters();

    TSynAsmSyn* SynAsmSyn88() const { return syn88_.get(); }
    TSynAsmSyn* SynAsmSyn51() const { return syn51_.get(); }
    TSynAsmSyn* SynAsmSyn96() const { return syn96_.get(); }

    // By experiment type code: 1 "51", 2 "88", 3 "96"; any other code has no highlighter (null).
    TSynAsmSyn* forCpuType(int cpuType) const;

private:
    std::unique_ptr<TSynAsmSyn> syn88_;
    std::unique_ptr<TSynAsmSyn> syn51_;
    std::unique_ptr<TSynAsmSyn> syn96_;
};
