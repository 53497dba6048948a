#include <gtest/gtest.h>

#include "base/Clock.h"
#include "base/DateTimeFormat.h"
#include "base/NumberText.h"
#include "base/Platform.h"
#include "base/SqlText.h"
#include "base/Text.h"

namespace {

TEST(DateTimeFormat, FormatsTheProgramsPatterns) {
    const base::LocalDateTime t{2005, 3, 1, 9, 30, 5};
    EXPECT_EQ(base::formatDateTime(t, base::kLogTimestampPattern), "2005/03/01-09:30:05");
    EXPECT_EQ(base::formatDateTime(t, base::kShortDatePattern), "2005/03/01");
    EXPECT_EQ(base::formatDateTime(t, base::kPriceDatePattern), "2005/03/01");
    EXPECT_EQ(base::formatDateTime(t, base::kLongTimePattern), "09:30:05");
    EXPECT_EQ(base::formatDateTime({2026, 12, 31, 23, 59, 58}, "hh:nn:ss yyyy"), "23:59:58 2026");
}

TEST(Clock, CanBeFixedAndRestored) {
    base::setClock([] { return base::LocalDateTime{2005, 3, 1, 0, 0, 0}; });
    EXPECT_EQ(base::logTimestamp(), "2005/03/01-00:00:00");
    base::setClock({});
    EXPECT_GT(base::now().year, 2020);
}

TEST(NumberText, ReadsWholeNumbersOnly) {
    EXPECT_EQ(base::parseInt32("5000"), 5000);
    EXPECT_EQ(base::parseInt32("  -12"), -12);
    EXPECT_EQ(base::parseInt32("+7"), 7);
    EXPECT_EQ(base::parseInt32("2147483647"), 2147483647);
    EXPECT_EQ(base::parseInt32("-2147483648"), INT32_MIN);
    EXPECT_FALSE(base::parseInt32("2147483648"));
    EXPECT_FALSE(base::parseInt32(""));
    EXPECT_FALSE(base::parseInt32("-"));
    EXPECT_FALSE(base::parseInt32("2.5"));
    EXPECT_FALSE(base::parseInt32("12 "));
    EXPECT_FALSE(base::parseInt32("abc"));
    EXPECT_EQ(base::toInt32Or("2.5", 0), 0);
}

TEST(NumberText, ReadsDecimalNumbersWithTheProgramsSeparator) {
    EXPECT_DOUBLE_EQ(*base::parseDouble("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(*base::parseDouble(" -0.25 "), -0.25);
    EXPECT_DOUBLE_EQ(*base::parseDouble("1E3"), 1000);
    EXPECT_DOUBLE_EQ(*base::parseDouble("+3"), 3);
    EXPECT_FALSE(base::parseDouble(""));
    EXPECT_FALSE(base::parseDouble("12,5"));
    EXPECT_FALSE(base::parseDouble("1.2.3"));
    EXPECT_DOUBLE_EQ(base::toDoubleOr("n/a", 0), 0);
}

TEST(SqlText, DoublesQuotesAndLowersOnlyAsciiLetters) {
    EXPECT_EQ(base::sqlLiteralBody("O'BRIEN"), "O''BRIEN");
    EXPECT_EQ(base::sqlLiteralBody("''"), "''''");
    EXPECT_EQ(base::sqlLiteralBody("0001"), "0001");
    EXPECT_EQ(base::asciiLower("SELECT '商品A' FROM X"), "select '商品a' from x");
}

TEST(Platform, FindsTheExecutablesFolderAndLoadsLibraries) {
    const std::string dir = base::executableDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    base::SharedLibrary lib;
    EXPECT_FALSE(lib.load("libnosuch-olvarin.so"));
    EXPECT_FALSE(lib.lastError().empty());
    EXPECT_TRUE(lib.load("libc.so.6"));
    EXPECT_NE(lib.symbol("strlen"), nullptr);
    EXPECT_EQ(lib.symbol("no_such_symbol_olvarin"), nullptr);
}

}  // namespace
