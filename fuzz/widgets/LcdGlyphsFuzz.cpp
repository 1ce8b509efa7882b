// Fuzzes the LCD's readers of outside text: a glyph's Data text, a character set text, and a display text
// drawn with the loaded set. The first byte chooses the reader; the rest is the text.
#include "base/ErrorReport.h"
#include "widgets/iLCDMatrix.h"

#include <QApplication>
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

namespace {

// The application and the display live for the whole run and are never destroyed: tearing Qt down from an
// exit handler, after its own statics are gone, would crash.
TiLCDMatrix& display() {
    static TiLCDMatrix* lcd = nullptr;
    if (!lcd) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_lcd_glyphs";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        lcd = new TiLCDMatrix;
        lcd->SetBounds(0, 0, 129, 78);
    }
    return *lcd;
}

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray text(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    TiLCDMatrix& lcd = display();
    try {
        switch (data[0] % 3) {
        case 0: {
            TiLCDCharacter g(int(data[0] % 9) + 1);
            const QString before = g.Data();
            try {
                g.setData(QString::fromLatin1(text));
            } catch (const Error&) {
                check(g.Data() == before); // a refused text changes nothing
                break;
            }
            // What was stored reads back and parses to the same rows.
            const auto rows = TiLCDCharacter::ParseData(g.Data());
            check(int(rows.size()) == g.Height());
            for (int i = 0; i < g.Height(); ++i)
                check(rows[size_t(i)] == g.Row(i));
            break;
        }
        case 1: {
            try {
                lcd.LoadCharacterSetText(text);
            } catch (const Error&) {
            }
            lcd.setTextBytes(QByteArray("Az~\x80\xa3\xff", 6));
            lcd.RenderFrame();
            break;
        }
        default:
            lcd.setTextBytes(text.left(4096));
            lcd.RenderFrame();
            break;
        }
    } catch (const Error&) {
        // Refused input is a reported error, not a fault.
    }
    return 0;
}
