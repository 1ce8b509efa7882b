// labguide: the experiment demonstration guide.
#include "app/LabApplication.h"
#include "app/mainform.h"
#include "base/Translations.h"

int main(int argc, char** argv) {
    // The windows are laid out in fixed pixels, whatever the screen's text size.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    LabApplication application(argc, argv);
    translations::installQtChinese(); // Qt's own buttons and dialogs in Chinese
    app::createForms();
    const int code = application.exec();
    // The remaining forms end with the program.
    delete mainform;
    return code;
}
