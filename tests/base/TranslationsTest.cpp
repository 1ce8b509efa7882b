// With Qt's Chinese translation installed, Qt's own standard buttons read in Chinese.
#include "base/Translations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace {

QStringList buttonTexts() {
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QMessageBox message(QMessageBox::Question, QStringLiteral("实验演示向导"), QStringLiteral("是否保存？"),
                        QMessageBox::Ok | QMessageBox::Cancel);
    return {box.button(QDialogButtonBox::Ok)->text().remove('&'),
            box.button(QDialogButtonBox::Cancel)->text().remove('&'),
            message.button(QMessageBox::Ok)->text().remove('&'),
            message.button(QMessageBox::Cancel)->text().remove('&')};
}

} // namespace

TEST(Translations, QtStandardButtonsReadInChinese) {
    ASSERT_EQ(buttonTexts(), (QStringList{"OK", "Cancel", "OK", "Cancel"})) << "a translation was installed before";
    ASSERT_TRUE(translations::installQtChinese()) << "qt6-translations-l10n is not installed";
    EXPECT_EQ(buttonTexts(), (QStringList{"确定", "取消", "确定", "取消"}));
    // The other tests of this program see Qt's texts as before.
    qDeleteAll(qApp->findChildren<QTranslator*>());
    EXPECT_EQ(buttonTexts(), (QStringList{"OK", "Cancel", "OK", "Cancel"}));
}
