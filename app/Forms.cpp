// The start order of the program's seven forms, and the wiring of the viewers to the board forms.
#include "app/mainform.h"

#include "app/RunMenu.h"
#include "app/ToolsMenu.h"
#include "app/ViewMenu.h"

#include "boards/BoardLayout.h"
#include "boards/U_310X1.h"
#include "boards/U_620x.h"
#include "boards/U_930x.h"
#include "boards/U_qk740x.h"
#include "boards/ViewerHooks.h"
#include "viewers/U_Edit.h"
#include "viewers/U_sch.h"
#include "widgets/iLCDMatrix.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace app {

Tmainform* createForms() {
    // The boards' layouts and LCD character sets are read on a worker thread while the main window is
    // built, so the board forms find them ready.
    boards::prefetchStoredLayouts([] { TiLCDMatrix::PrepareCharacterSets(); });
    mainform = new Tmainform;
    FRM_QK740X = new TFRM_QK740X(mainform);
    FrmEdit = new TFrmEdit(mainform);
    frmsch = new Tfrmsch(mainform);
    Frm_620x = new TFrm_620x(mainform);
    Frm310x1 = new TFrm310x1(mainform);
    frm8086 = new Tfrm8086(mainform);

    boards::ViewerHooks hooks;
    hooks.showText = [](const QString& title, const QString& text) { FrmEdit->ShowText(title, text); };
    hooks.showPicture = [](const QString& path, const QString& title) { frmsch->ShowPicture(path, title); };
    hooks.showReferencePicture = [](const QString& file, const QString& caption) {
        frmsch->ShowReferencePicture(file, caption);
    };
    boards::setViewerHooks(hooks);
    new ViewMenu(*mainform); // the view options and the boards' overlays, beyond the main window's own menus
    new ToolsMenu(*mainform); // the handouts, after the view options
    new RunMenu(*mainform);   // the virtual run, last

    mainform->show();
    return mainform;
}

QIcon programIcon() {
    // A chip with pins and a wire, in the board's colours.
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    for (int i = 0; i < 4; ++i) {
        p.drawLine(8, 16 + i * 10, 16, 16 + i * 10);
        p.drawLine(48, 16 + i * 10, 56, 16 + i * 10);
    }
    p.setBrush(QColor(40, 40, 40));
    p.drawRoundedRect(16, 8, 32, 48, 4, 4);
    p.setBrush(QColor(255, 255, 0));
    p.setPen(QPen(Qt::black, 1));
    p.drawEllipse(QPoint(24, 20), 4, 4);
    p.setBrush(QColor(255, 0, 0));
    p.setPen(QPen(QColor(0, 255, 0), 1));
    p.drawEllipse(QPoint(40, 44), 5, 5);
    p.setPen(QPen(QColor(0, 0, 255), 3));
    p.drawLine(24, 20, 40, 44);
    p.end();
    return QIcon(pm);
}

} // namespace app
