#pragma once
// Qt's own texts (the standard buttons, the file, print and message dialogs) in Chinese, as the rest of the
// user interface.
namespace translations {
// Installs Qt's Chinese translation on the running application; false, and nothing changed, when the
// translation is not installed (the program starts with Qt's English texts then).
bool installQtChinese();
}
