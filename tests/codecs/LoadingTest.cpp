// Loading picture files by extension: the format list, the error texts and what the file system can do
// to a load (folders, unreadable files, names in Chinese, upper-case extensions).
#include "tests/codecs/Samples.h"
#include "tests/support/TestSupport.h"

#include "codecs/PictureLoader.h"

#include "base/ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace codecs;

namespace {

QString loadError(const QString& path) {
    try {
        loadPicture(path);
    } catch (const Error& e) {
        return e.message();
    }
    return QStringLiteral("(loaded without error)");
}

} // namespace

TEST(Loading, ExtensionsOfTheListAnyCase) {
    const struct {
        const char* extension;
        const char* format;
    } table[] = {{"bmp", "bmp"}, {"BMP", "bmp"}, {"jpg", "jpeg"}, {"JPG", "jpeg"}, {"jpeg", "jpeg"},
                 {"JpEg", "jpeg"}, {"png", "png"}, {"ico", "ico"}, {"wmf", "wmf"}, {"EMF", "emf"},
                 {"gif", ""},    {"jpe", ""},     {"", ""},         {"tif", ""}};
    for (const auto& row : table)
        EXPECT_EQ(formatForExtension(QString::fromLatin1(row.extension)), QString::fromLatin1(row.format))
            << row.extension;
}

TEST(Loading, UnknownExtensionNamesTheExtension) {
    QTemporaryDir dir;
    const QString gif = dir.filePath("a.gif");
    ASSERT_TRUE(testsupport::writeFile(gif, samples::jpeg(8, 8)));
    EXPECT_EQ(loadError(gif), "Unknown picture file extension (.gif)");
    ASSERT_TRUE(testsupport::writeFile(dir.filePath("noextension"), samples::jpeg(8, 8)));
    EXPECT_EQ(loadError(dir.filePath("noextension")), "Unknown picture file extension (.)");
    EXPECT_EQ(loadError(dir.filePath("scan.Tiff")), "Unknown picture file extension (.Tiff)");
    try {
        decodePicture(QByteArray("x"), "pcx");
        FAIL() << "decoded an unknown format";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), "Unknown picture file extension (.pcx)");
    }
}

TEST(Loading, UpperCaseExtensionAndChineseNameLoad) {
    QTemporaryDir dir;
    const QString upper = dir.filePath("IC8255.JPG");
    ASSERT_TRUE(testsupport::writeFile(upper, samples::jpeg(40, 30)));
    const Picture p = loadPicture(upper);
    EXPECT_EQ(p.image.size(), QSize(40, 30));
    EXPECT_EQ(p.format, "jpeg");

    const QString chinese = dir.filePath(QStringLiteral("电路图 一.PNG"));
    ASSERT_TRUE(testsupport::writeFile(chinese, samples::png(samples::halves(12, 5))));
    const Picture c = loadPicture(chinese);
    EXPECT_EQ(c.image.size(), QSize(12, 5));
    EXPECT_EQ(c.format, "png");
}

TEST(Loading, ZeroByteFileGivesTheDecodersError) {
    QTemporaryDir dir;
    for (const char* name : {"empty.jpg", "empty.png", "empty.bmp", "empty.ico", "empty.wmf", "empty.emf"}) {
        const QString path = dir.filePath(name);
        ASSERT_TRUE(testsupport::writeFile(path, QByteArray()));
        const QString error = loadError(path);
        const QString prefix = QFileInfo(path).suffix().toUpper() == "JPG" ? "JPEG error #" : QFileInfo(path).suffix().toUpper() + " error: ";
        EXPECT_TRUE(error.startsWith(prefix)) << name << ": " << error.toStdString();
    }
}

TEST(Loading, FolderWhereAFileIsExpected) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("pictures.jpg");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_EQ(loadError(folder), QStringLiteral("Cannot read picture file %1: it is a folder").arg(folder));
}

TEST(Loading, MissingFileAndNonRegularFile) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("gone.png");
    EXPECT_EQ(loadError(missing), QStringLiteral("Cannot read picture file %1: no such file").arg(missing));
    // A pipe would block a reader for ever: refused without opening it.
    const QString fifo = dir.filePath("pipe.jpg");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(loadError(fifo), QStringLiteral("Cannot read picture file %1: not a regular file").arg(fifo));
}

TEST(Loading, UnreadableFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("locked.jpg");
    if (geteuid() != 0) {
        ASSERT_TRUE(testsupport::writeFile(path, samples::jpeg(8, 8)));
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0), 0);
    } else {
        // Permissions do not stop root; a file whose reads fail does: the process's own memory image,
        // read from address 0, fails with an I/O error.
        if (!QFileInfo(QStringLiteral("/proc/self/mem")).exists())
            GTEST_SKIP() << "running as root without /proc/self/mem: no way to make a file unreadable";
        ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), path));
    }
    const QString error = loadError(path);
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot read picture file %1: ").arg(path))) << error.toStdString();
}

TEST(Loading, DamagedFilesOfEveryFormatReportTheirDecoder) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray bytes;
        const char* prefix;
    } files[] = {
        {"cut.jpg", samples::truncated(samples::jpeg(32, 32)), "JPEG error #"},
        {"cut.png", samples::truncated(samples::png(samples::halves(32, 32))), "PNG error: "},
        {"cut.bmp", samples::truncated(samples::bmp(samples::halves(32, 32))), "BMP error: "},
        {"cut.ico", samples::truncated(samples::icoWithBitmap(32, 24)), "ICO error: "},
        {"huge.jpeg", samples::jpegClaiming(60000, 60000), "JPEG error: picture too large"},
        {"huge.png", samples::pngClaiming(60000, 60000), "PNG error: picture too large"},
    };
    for (const auto& f : files) {
        const QString path = dir.filePath(f.name);
        ASSERT_TRUE(testsupport::writeFile(path, f.bytes));
        EXPECT_TRUE(loadError(path).startsWith(f.prefix)) << f.name << ": " << loadError(path).toStdString();
    }
}
