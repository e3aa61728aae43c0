#include "port_table.h"

#include <gtest/gtest.h>

namespace jobhost::stand_in {
namespace {

TEST(StandInPortTable, KindsModifiersAndAddressesAreRead) {
  PortTable table = ParsePortTable(
      "# comment\r\nOffice\t3\t192.0.2.10\r\nTcp\t2\nBad\t3!\t198.51.100.1\n"
      "Full\t3~\tab\nBoth\t3!~\t\nNeg\t-7\nOffice\t1\n");
  EXPECT_TRUE(table.problems.empty());
  struct Expect {
    std::string printer;
    std::int32_t kind;
    std::string address;
    bool fails;
    bool unterminated;
  };
  const Expect expected[] = {
      {"Office", 3, "192.0.2.10", false, false},
      {"Tcp", 2, "", false, false},
      {"Bad", 3, "198.51.100.1", true, false},
      {"Full", 3, "ab", false, true},
      {"Both", 3, "", true, true},
      {"Neg", -7, "", false, false},
  };
  for (const Expect& e : expected) {
    SCOPED_TRACE(e.printer);
    const PortEntry* entry = FindPort(table, e.printer);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->kind, e.kind);
    EXPECT_EQ(entry->address, e.address);
    EXPECT_EQ(entry->addressFails, e.fails);
    EXPECT_EQ(entry->unterminated, e.unterminated);
  }
  EXPECT_EQ(FindPort(table, "office"), nullptr);  // exact match only
}

TEST(StandInPortTable, MalformedLinesAreReportedNotGuessed) {
  PortTable table = ParsePortTable("NoKind\nP\tx\nP\t3\ta\tb\nP\t3?\nP\t\nGood\t1\n");
  EXPECT_EQ(table.problems.size(), 5u);
  ASSERT_EQ(table.entries.size(), 1u);
  EXPECT_EQ(table.entries[0].printer, "Good");
}

}  // namespace
}  // namespace jobhost::stand_in
