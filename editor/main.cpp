// labedit: the experiment editor. It edits the catalogue named on its command line, or else the working
// folder's QK740X.mdb: the current folder's, or the one the launcher keeps for the user.
#include "base/ErrorReport.h"
#include "base/Fonts.h"
#include "base/Translations.h"
#include "editor/EditorWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

int main(int argc, char** argv) {
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0"); // the boards are drawn in fixed pixels, as in labguide
    QApplication application(argc, argv);
    fonts::installSubstitutions();
    translations::installQtChinese(); // Qt's own buttons and dialogs in Chinese
    errorreport::setCaption(QStringLiteral("实验编辑器"));
    editor::EditorWindow window;
    const QStringList args = application.arguments().mid(1);
    QString path = args.isEmpty() ? QDir::current().filePath(QStringLiteral("QK740X.mdb")) : args.first();
    if (args.isEmpty() && !QFileInfo::exists(path)) {
        // Started from the desktop: the working folder the launcher prepares.
        QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
        if (!QDir::isAbsolutePath(dataHome))
            dataHome = QDir::homePath() + QStringLiteral("/.local/share");
        const QString launcherCopy = dataHome + QStringLiteral("/labguide/QK740X.mdb");
        if (QFileInfo::exists(launcherCopy))
            path = launcherCopy;
    }
    window.show();
    if (QFileInfo::exists(path) || !args.isEmpty())
        window.openCatalogue(path);
    return application.exec();
}
