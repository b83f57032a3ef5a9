// The dispatch table's rows: a command added again replaces its row whole, and a command runs
// only through a row of its own.
#include "commands/CommandTable.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandTable, ARowAddedAgainIsReplacedWholeAndRulesDecideTheMenuItem)
{
    CommandTable table;
    bool allowed = false;
    int firstRuns = 0;
    int runs = 0;
    table.add(7, [&] { ++firstRuns; }, [&] { return allowed; }).label = [] { return QStringLiteral("A"); };
    EXPECT_FALSE(table.isEnabled(7));
    EXPECT_FALSE(table.ruleHolds(7));
    allowed = true;
    EXPECT_TRUE(table.ruleHolds(7));
    EXPECT_TRUE(table.isEnabled(7));

    table.add(7, [&] { ++runs; });
    ASSERT_EQ(table.rows().size(), 1u);
    const CommandRow* row = table.find(7);
    ASSERT_TRUE(row);
    EXPECT_FALSE(row->label);          // nothing of the first row is left over
    allowed = false;
    EXPECT_TRUE(table.isEnabled(7));   // without a rule of its own it is always enabled
    EXPECT_TRUE(table.run(7));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(firstRuns, 0);

    EXPECT_FALSE(table.find(8));
    EXPECT_FALSE(table.run(8));
    EXPECT_FALSE(table.ruleHolds(8));
    EXPECT_FALSE(table.isEnabled(8));
}

TEST(CommandTable, AHandlerThatAddsRowsRunsToItsEnd)
{
    CommandTable table;
    int ran = 0;
    table.add(1, [&] {
        for (int id = 2; id < 40; ++id)
            table.add(id, [] {});
        ++ran;
    });
    EXPECT_TRUE(table.run(1));
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(table.rows().size(), 39u);
}

}  // namespace
