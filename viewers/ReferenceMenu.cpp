#include "viewers/ReferenceMenu.h"

#include "viewers/U_sch.h"

#include "base/ErrorReport.h"

#include <QAction>

QString referencePictureFile(const QString& itemName) { return itemName.mid(2) + QStringLiteral(".jpg"); }

void n_ic89s52Click(QAction* item) {
    errorreport::guarded([item] {
        if (item)
            ShowReferencePicture(referencePictureFile(item->objectName()), item->text());
    });
}
