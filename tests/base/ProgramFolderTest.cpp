#include "base/ContentFolder.h"
#include "base/ProgramFolder.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProgramFolder, FindsFilesWithoutRegardToLetterCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.path() + "/Pic/Chip/AT89S52.JPG", "x"));
    const QString base = dir.path() + "/";
    EXPECT_EQ(programfolder::findFile(base + "Pic/Chip/AT89S52.JPG"), base + "Pic/Chip/AT89S52.JPG");
    EXPECT_EQ(programfolder::findFile(base + "pic\\chip\\at89s52.jpg"), base + "Pic/Chip/AT89S52.JPG");
    EXPECT_TRUE(programfolder::findFile(base + "pic/chip/missing.jpg").isEmpty());
    // A folder is not a file.
    EXPECT_TRUE(programfolder::findFile(base + "pic/chip").isEmpty());
    EXPECT_TRUE(programfolder::findFile(QString()).isEmpty());
}

TEST(ProgramFolder, ResolvesStoredPathsUnderTheProgramFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.path() + "/asm/51/Led.ASM", "x"));
    programfolder::setOverride(dir.path());
    EXPECT_EQ(programfolder::path(), dir.path() + "/");
    EXPECT_EQ(programfolder::resolve("asm\\51\\led.asm"), dir.path() + "/asm/51/Led.ASM");
    // Nothing matches: the composed path comes back for the caller's existence test.
    EXPECT_EQ(programfolder::resolve("pic\\"), dir.path() + "/pic/");
    programfolder::setOverride({});
}

TEST(ContentFolder, WorkingFolderFirstThenProgramFolderEachWithoutRegardToCase) {
    QTemporaryDir dir;
    const QString work = dir.path() + "/work", program = dir.path() + "/program";
    ASSERT_TRUE(testsupport::writeFile(work + "/pic/Sub/A.JPG", "teacher's"));
    ASSERT_TRUE(testsupport::writeFile(program + "/pic/sub/a.jpg", "shipped"));
    ASSERT_TRUE(testsupport::writeFile(program + "/asm/51/Led.asm", "shipped"));
    // The working folder wins even where only its letter case differs from the stored name.
    EXPECT_EQ(contentfolder::find("pic\\sub\\a.jpg", work, program), work + "/pic/Sub/A.JPG");
    EXPECT_EQ(contentfolder::find("asm\\51\\LED.ASM", work, program), program + "/asm/51/Led.asm");
    EXPECT_TRUE(contentfolder::find("pic\\missing.jpg", work, program).isEmpty());
    EXPECT_TRUE(contentfolder::find("pic\\sub", work, program).isEmpty());

    // The program's lookup: the current folder (or the one set) is the working folder.
    programfolder::setOverride(program);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work));
    EXPECT_EQ(contentfolder::find("pic/sub/a.jpg"), work + "/pic/Sub/A.JPG");
    ASSERT_TRUE(QDir::setCurrent(previous));
    EXPECT_EQ(contentfolder::find("pic/sub/a.jpg"), program + "/pic/sub/a.jpg");
    contentfolder::setWorkingFolder(work);
    EXPECT_EQ(contentfolder::resolve("pic/sub/a.jpg"), work + "/pic/Sub/A.JPG");
    // Nothing matches: the program folder's composed path, as before.
    EXPECT_EQ(contentfolder::resolve("pic\\none.jpg"), program + "/pic/none.jpg");
    contentfolder::setWorkingFolder({});
    programfolder::setOverride({});
}
