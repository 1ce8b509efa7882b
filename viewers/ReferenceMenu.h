#pragma once
// The shared click handler of the reference items of the menu "实验接口".
#include <QString>

class QAction;

// The picture of a reference item: its name without the first two characters, then ".jpg"
// ("n_ic89s52" -> "ic89s52.jpg", "N_IC8255" -> "IC8255.jpg").
QString referencePictureFile(const QString& itemName);

// Opens the item's picture in the picture viewer, titled with its caption less the hot-key marking; a
// missing picture does nothing. Errors go to the default error report.
void n_ic89s52Click(QAction* item);
