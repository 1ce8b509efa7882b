#include "base/Gbk.h"
#include "engine/linksheet.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QList<QByteArray> parse(const QByteArray& text) { return parseWiringSteps(text); }
QByteArray gbkText(const char* utf8) { return gbk::encode(QString::fromUtf8(utf8)); }

struct Row {
    QByteArray text;
    QList<QByteArray> steps;
};

} // namespace

TEST(ParseWiring, FollowsTheFormatTable) {
    const Row rows[] = {
        {"", {}},
        {" \t\r\n  \r\n", {}},
        {gbkText("a1>B2，C3>d4\r\ne5 > f6"), {"A1>B2", "C3>D4", "E5 > F6"}},
        {"A>B, X", {"A>B"}},
        {"X, A>B", {"X", "A>B"}},
        {",,A>B", {"A>B"}},
        {"A>B,,C>D", {"A>B", "", "C>D"}},
        {gbkText("A>B，\r\nC>D"), {"A>B", "", "C>D"}},
        {"a-1>b.2", {"A 1>B 2"}},
        {"X, Y", {}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(parse(r.text), r.steps) << r.text.toStdString();
}

TEST(ParseWiring, LoneLineFeedsSeparateEntriesLikeCarriageReturns) {
    EXPECT_EQ(parse("A1>B1\nA2>B2\nA3>B3"), (QList<QByteArray>{"A1>B1", "A2>B2", "A3>B3"}));
    EXPECT_EQ(parse("A1>B1\r\nA2>B2\rA3>B3\n"), (QList<QByteArray>{"A1>B1", "A2>B2", "A3>B3"}));
    // Blank lines between entries give empty steps, as a doubled comma does.
    EXPECT_EQ(parse("A1>B1\n\nA2>B2"), (QList<QByteArray>{"A1>B1", "", "A2>B2"}));
}

TEST(ParseWiring, TreatsEveryA3ByteAsAComma) {
    // 0xA3 as the second byte of another double-byte character still splits.
    EXPECT_EQ(parse("A>B\x81\xA3" "C>D"), (QList<QByteArray>{"A>B", "C>D"}));
    // Other Chinese text counts as blanks.
    EXPECT_EQ(parse(gbkText("接线A>B")), (QList<QByteArray>{"A>B"}));
}

TEST(ParseWiring, UpdatesTheStepListAndCounter) {
    engine::CreateWiringSteps();
    WiringSteps->append("OLD");
    int32_t last = -1;
    ParseWiring("P1.0>L1,P1.1>L2", last);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(*WiringSteps, (QList<QByteArray>{"P1 0>L1", "P1 1>L2"}));
    ParseWiring("", last = -1);
    EXPECT_EQ(last, -1);
    EXPECT_TRUE(WiringSteps->isEmpty());
    engine::DestroyWiringSteps();
}

TEST(ParseWiring, HoldsItsInvariantsOnLargeAndRandomTexts) {
    QByteArray big;
    for (int i = 0; big.size() < 10 * 1024; ++i)
        big += "A" + QByteArray::number(i) + ">B" + QByteArray::number(i) + ",";
    const auto bigSteps = parse(big);
    ASSERT_FALSE(bigSteps.isEmpty());
    EXPECT_EQ(bigSteps.first(), "A0>B0");

    QRandomGenerator rng(1234);
    for (int round = 0; round < 2000; ++round) {
        QByteArray text(rng.bounded(300), Qt::Uninitialized);
        for (char& c : text)
            c = char(rng.bounded(256));
        for (const QByteArray& step : parse(text)) {
            EXPECT_FALSE(step.startsWith(' '));
            EXPECT_FALSE(step.endsWith(' '));
            EXPECT_FALSE(step.contains(','));
            for (char c : step)
                EXPECT_TRUE(c == ' ' || c == '>' || c == '_' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'));
        }
    }
}
