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
