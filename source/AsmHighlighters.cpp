#include "source/AsmHighlighters.h"

namespace {

// An attribute's stored look: foreground (or none) and whether it is bold or italic.
struct Look {
    bool hasColour;
    QRgb colour;
    TFontStyles style;
};

constexpr Look none(TFontStyles style = {}) { return {false, 0, style}; }
constexpr Look fg(QRgb colour, TFontStyles style = {}) { return {true, colour, style}; }

const TFontStyles kItalic{TFontStyle::Italic};
const TFontStyles kBold{TFontStyle::Bold};

constexpr QRgb kGreen = 0xFF008000, kBlue = 0xFF0000FF, kFuchsia = 0xFFFF00FF, kTeal = 0xFF008080,
               kNavy = 0xFF000080, kRed = 0xFFFF0000;

// Stored values of the three instances, attribute by attribute in creation order:
// comment, identifier, reserved word, number, space, string, symbol.
struct InstanceDef {
    int asmType;
    const char* name;
    const char* filter;
    Look looks[7];
};

const InstanceDef kInstances[] = {
    {88, "SynAsmSyn88", "x86 Assembly Files (*.asm)|*.asm",
     {none(kItalic), none(), fg(kBlue, kBold), fg(kFuchsia), none(), fg(kTeal), fg(kNavy)}},
    {51, "SynAsmSyn51", "51 Assembly Files (*.asm)|*.asm",
     {none(kItalic), fg(kGreen), fg(kBlue, kBold), fg(kFuchsia), none(), fg(kRed), fg(kGreen)}},
    {96, "SynAsmSyn96", "96 Assembly Files (*.asm)|*.asm",
     {none(kItalic), none(), none(kBold), none(), none(), none(), none()}},
};

} // namespace

namespace asmhighlighters {

std::unique_ptr<TSynAsmSyn> create(int asmType) {
    for (const InstanceDef& def : kInstances) {
        if (def.asmType != asmType)
            continue;
        auto syn = std::make_unique<TSynAsmSyn>();
        syn->BeginLoading();
        syn->setName(QString::fromLatin1(def.name));
        syn->setDefaultFilter(QString::fromLatin1(def.filter));
        TSynHighlighterAttributes* attrs[] = {syn->CommentAttri, syn->IdentifierAttri, syn->KeyAttri,
                                              syn->NumberAttri,  syn->SpaceAttri,      syn->StringAttri,
                                              syn->SymbolAttri};
        for (int i = 0; i < 7; ++i) {
            const Look& look = def.looks[i];
            attrs[i]->setForeground(look.hasColour ? QColor::fromRgb(look.colour) : QColor());
            attrs[i]->setStyle(look.style);
        }
        syn->EndLoading();
        return syn;
    }
    return nullptr;
}

} // namespace asmhighlighters

TAsmHighlighters::TAsmHighlighters()
    : syn88_(asmhighlighters::create(88)), syn51_(asmhighlighters::create(51)), syn96_(asmhighlighters::create(96)) {}

TSynAsmSyn* TAsmHighlighters::forCpuType(int cpuType) const {
    switch (cpuType) {
    case 1: return syn51_.get();
    case 2: return syn88_.get();
    case 3: return syn96_.get();
    default: return nullptr;
    }
}
