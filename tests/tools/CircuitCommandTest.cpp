// labtool board NAME --circuit: the terminals a board's circuit covers, and those it leaves out.
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using testsupport::runProgram;

TEST(LabtoolCircuit, ListsCoveredTerminalsThenTheRest) {
    QByteArray out, err;
    ASSERT_EQ(runProgram("labtool", {"board", "qk740x", "--circuit"}, &out, &err), 0) << err.toStdString();
    EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_TRUE(out.endsWith('\n'));
    const qsizetype split = lines.indexOf("未覆盖:");
    ASSERT_GT(split, 0) << out.toStdString();
    EXPECT_TRUE(lines.contains("P10\tcpu51.P1.0\tinout"));
    EXPECT_TRUE(lines.contains("12V\tpower.+12V\tpower"));
    EXPECT_TRUE(lines.contains("JX9\tu8255.PA0,u8255.PA1,u8255.PA2,u8255.PA3,u8255.PA4,u8255.PA5,u8255.PA6,u8255.PA7\tinout"));
    EXPECT_TRUE(lines.contains("JX14\tlcd.RS,lcd.RW,lcd.E,-,-,-,-,-\tin")); // free pins shown, not counted

    // Together the two parts are the board's terminals, each once, in the layout's order.
    QByteArray terminals;
    ASSERT_EQ(runProgram("labtool", {"board", "QK740X", "--terminals"}, &terminals, &err), 0);
    QList<QByteArray> layout, covered, listed;
    for (const QByteArray& line : terminals.split('\n'))
        if (!line.isEmpty())
            layout.append(line.left(line.indexOf('\t')));
    for (qsizetype i = 0; i < lines.size() - 1; ++i) {
        if (i == split)
            continue;
        const QList<QByteArray> fields = lines[i].split('\t');
        EXPECT_EQ(fields.size(), i < split ? 3 : 1) << lines[i].toStdString();
        (i < split ? covered : listed).append(fields[0]);
    }
    EXPECT_TRUE(listed.contains("JQ"));
    EXPECT_FALSE(listed.contains("P10"));
    QList<QByteArray> both = covered + listed;
    EXPECT_EQ(std::set<QByteArray>(both.begin(), both.end()).size(), size_t(layout.size()));
    QList<QByteArray> coveredInLayoutOrder;
    for (const QByteArray& name : layout)
        if (covered.contains(name))
            coveredInLayoutOrder.append(name);
    EXPECT_EQ(covered, coveredInLayoutOrder);
}

TEST(LabtoolCircuit, ABoardWithoutACircuitIsAProblem) {
    QByteArray out, err;
    EXPECT_EQ(runProgram("labtool", {"board", "QK620X", "--circuit"}, &out, &err), 1);
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(err.contains("本板没有电路文件")) << err.toStdString();
    EXPECT_EQ(runProgram("labtool", {"board", "QK740X", "--circuit", "--json"}, &out, &err), 2);
    EXPECT_EQ(runProgram("labtool", {"board", "QK740X", "--circuit", "--terminals"}, &out, &err), 2);
}
