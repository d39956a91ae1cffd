// Decimal conversion of settings text: signed 32-bit with limits, and the
// unsigned 64-bit form of the install sizes.
#include "settings/decimal_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseDecimalInt, Conversions) {
  struct {
    const char *text;
    int expected;
  } rows[] = {
      {"7x", 7},
      {"abc", 0},
      {"-5", -5},
      {"+12", 12},
      {" \t42", 42},
      {"", 0},
      {"-", 0},
      {"- 5", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"12345678901", 2147483647},
      {"99999999999999999999999999", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-2147483649", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
      {"0x10", 0},
      {"007", 7},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(ParseDecimalInt(r.text), r.expected);
  }
}

TEST(ParseDecimalU64, Conversions) {
  struct {
    const char *text;
    ULONGLONG expected;
  } rows[] = {
      {"1234567890123456789", 1234567890123456789ull},
      {"  650000000", 650000000ull},
      {"4294967296x", 4294967296ull},
      {"none", 0},
      {"+3", 3},
      {"-1", ~0ull},
      {"18446744073709551615", ~0ull},
      {"18446744073709551616", ~0ull},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.text);
    EXPECT_EQ(ParseDecimalU64(r.text), r.expected);
  }
}

}  // namespace
