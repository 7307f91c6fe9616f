// The strict reader of date-and-time texts and the BCD targets of timers.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "base/DateTextUnit.h"

namespace vexilo {
namespace {

TEST(DateText, ReadsTheThreeFormsAndNothingElse) {
  struct Case {
    const char* Text;
    bool Reads;
  };
  const Case cases[] = {
      {"2025-03-04 05:06:07", true},
      {"2025/03/04 05:06:07", true},
      {"03/04/2025 05:06:07", true},
      {"2024-02-29 23:59:59", true},   // a leap day
      {"2000-02-29 00:00:00", true},   // 2000 is a leap year
      {"2023-02-29 00:00:00", false},  // 2023 is not
      {"2100-02-29 00:00:00", false},  // nor is 2100
      {"2025-13-01 00:00:00", false},
      {"2025-00-01 00:00:00", false},
      {"2025-04-31 00:00:00", false},
      {"2025-04-00 00:00:00", false},
      {"2025-01-01 24:00:00", false},
      {"2025-01-01 00:60:00", false},
      {"2025-01-01 00:00:60", false},
      {"2025-1A-01 00:00:00", false},  // not a digit
      {"2025-01/01 00:00:00", false},  // mixed separators
      {"2025-01-01T00:00:00", false},
      {"2025-01-01 00:00:00 ", false},
      {"2025-1-01 00:00:00", false},   // every field in full
      {"13/01/2025 00:00:00", false},  // month first: there is no month 13
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDateTimeText(c.Text).has_value(), c.Reads) << c.Text;
  const std::optional<CivilDateTime> t = ParseDateTimeText("03/04/2025 05:06:07");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Year, 2025);
  EXPECT_EQ(t->Month, 3);
  EXPECT_EQ(t->Day, 4);
  EXPECT_EQ(t->Hour, 5);
  EXPECT_EQ(t->Minute, 6);
  EXPECT_EQ(t->Second, 7);
}

TEST(DateText, BcdTargets) {
  struct Case {
    std::array<uint8_t, 6> Bcd;
    bool Converts;
  };
  const Case cases[] = {
      {{0x25, 0x12, 0x31, 0x23, 0x59, 0x59}, true},
      {{0x00, 0x01, 0x01, 0x00, 0x00, 0x00}, true},  // 2000
      {{0x24, 0x02, 0x29, 0x12, 0x00, 0x00}, true},
      {{0x23, 0x02, 0x29, 0x12, 0x00, 0x00}, false},  // no 29 February in 2023
      {{0x1A, 0x01, 0x01, 0x00, 0x00, 0x00}, false},  // not BCD
      {{0x25, 0x13, 0x01, 0x00, 0x00, 0x00}, false},  // month 13
      {{0x25, 0x0A, 0x01, 0x00, 0x00, 0x00}, false},
      {{0x25, 0x02, 0x30, 0x00, 0x00, 0x00}, false},
      {{0x25, 0x01, 0x01, 0x24, 0x00, 0x00}, false},
      {{0x25, 0x01, 0x01, 0x00, 0x00, 0x5A}, false},
      {{0x25, 0x01, 0x01, 0xFF, 0x00, 0x00}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(BcdDigits(c.Bcd[0]) + BcdDigits(c.Bcd[1]) + BcdDigits(c.Bcd[2]) + BcdDigits(c.Bcd[3]));
    EXPECT_EQ(BcdTargetDateTime(c.Bcd).has_value(), c.Converts);
  }
  const std::optional<CivilDateTime> t = BcdTargetDateTime(std::array<uint8_t, 6>{0x25, 0x12, 0x31, 0x23, 0x59, 0x58});
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Year, 2025);
  EXPECT_EQ(t->Month, 12);
  EXPECT_EQ(t->Day, 31);
  EXPECT_EQ(t->Second, 58);
}

TEST(DateText, SecondsBetweenLocalTimes) {
  EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(DaysFromCivil(2000, 3, 1) - DaysFromCivil(2000, 2, 28), 2);
  EXPECT_EQ(DaysFromCivil(2025, 1, 1) - DaysFromCivil(2024, 1, 1), 366);
  const CivilDateTime a{2024, 12, 31, 23, 59, 30};
  const CivilDateTime b{2025, 1, 1, 0, 0, 10};
  EXPECT_EQ(SecondsBetween(a, b), 40);
  EXPECT_EQ(SecondsBetween(b, a), -40);
}

}  // namespace
}  // namespace vexilo
