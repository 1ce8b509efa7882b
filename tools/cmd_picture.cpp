// labtool picture FILE: loads a picture the way the picture viewer does and prints its size and format.
#include "tools/Command.h"

#include "codecs/PictureLoader.h"

#include "base/ErrorReport.h"
#include "base/ProgramFolder.h"

namespace {

int runPicture(const QStringList& args) {
    if (args.size() != 1)
        throw labtool::UsageError(QStringLiteral("expected one picture file"));
    // The viewer's lookup: the name as given, then without regard to letter case.
    const QString file = programfolder::findFile(args[0]);
    try {
        if (file.isEmpty())
            throw Error(QStringLiteral("No picture file %1").arg(args[0]));
        const codecs::Picture picture = codecs::loadPicture(file);
        labtool::writeOut(QStringLiteral("%1x%2 %3\n")
                              .arg(picture.image.width())
                              .arg(picture.image.height())
                              .arg(picture.format)
                              .toUtf8());
        return labtool::Ok;
    } catch (const Error& e) {
        labtool::writeOut(e.message().toUtf8() + "\n");
        return labtool::Problems;
    }
}

} // namespace

LABTOOL_COMMAND({"picture",
                 "labtool picture FILE\n"
                 "  Loads FILE as the picture viewer would (format by extension) and prints\n"
                 "  \"WIDTHxHEIGHT FORMAT\" (exit 0) or the error text (exit 1).",
                 true, &runPicture});
