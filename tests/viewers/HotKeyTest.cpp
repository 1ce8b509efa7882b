#include "viewers/HotKey.h"
#include "viewers/ReferenceMenu.h"

#include <gtest/gtest.h>

TEST(HotKey, MarkedCaptionsGiveTheListedCaption) {
    const struct {
        const char* caption;
        const char* title;
    } table[] = {
        {"485接口(&4)", "485接口"},   {"&AT89s52", "AT89s52"}, {"LS2&73", "LS273"},     {"PWM", "PWM"},
        {"8255(&A)", "8255"},         {"&8255", "8255"},       {"ISD1420语音录放(&I)", "ISD1420语音录放"},
        {" 8253", " 8253"},           {"  8237", "  8237"},    {"", ""},               {"A&", "A"},
        {"(&X)", ""},                 {"a(&b)c", "a(b)c"},     {"x&&y", "x&y"},
    };
    for (const auto& row : table)
        EXPECT_EQ(viewers::stripHotKey(QString::fromUtf8(row.caption)), QString::fromUtf8(row.title)) << row.caption;
}

TEST(HotKey, ReferenceFileIsTheItemNameFromItsThirdCharacter) {
    EXPECT_EQ(referencePictureFile("n_ic89s52"), "ic89s52.jpg");
    EXPECT_EQ(referencePictureFile("N_IC8255"), "IC8255.jpg");
    EXPECT_EQ(referencePictureFile("N_cz11"), "cz11.jpg");
    EXPECT_EQ(referencePictureFile("n_CPU51"), "CPU51.jpg");
    EXPECT_EQ(referencePictureFile("N_JK485"), "JK485.jpg");
    EXPECT_EQ(referencePictureFile("N"), ".jpg");
}
