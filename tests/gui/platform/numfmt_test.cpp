#include "gui/platform/numfmt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Each test starts from the point separator and leaves it so for the rest of the suite.
class NumFmt : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator(QChar('.')); }
  void TearDown() override { SetDecimalSeparator(QChar('.')); }
};

QString G(double value, int precision = 15) {
  return FormatGeneral(value, precision);
}
QString E(double value, int digits) {
  return FormatExponent(value, digits);
}

TEST_F(NumFmt, GeneralFifteenIsTheGeneralNumberFormat) {
  EXPECT_EQ(G(0.00001), "1E-5");
  EXPECT_EQ(G(0.0001), "0.0001");
  EXPECT_EQ(G(20), "20");
  EXPECT_EQ(G(300), "300");
  EXPECT_EQ(G(0), "0");
  EXPECT_EQ(G(-0.0), "0");
  EXPECT_EQ(G(-20.5), "-20.5");
  EXPECT_EQ(G(0.1 + 0.2), "0.3");
  EXPECT_EQ(G(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(G(123456789012345.0), "123456789012345");
  EXPECT_EQ(G(1e15), "1E15");
  EXPECT_EQ(G(1.5e300), "1.5E300");
  EXPECT_EQ(G(-2.5e-7), "-2.5E-7");
  EXPECT_EQ(G(std::numeric_limits<double>::denorm_min()), "5E-324");
  EXPECT_EQ(G(std::numeric_limits<double>::max()), "1.79769313486232E308");
}

TEST_F(NumFmt, GeneralFourRoundsToFourSignificantDigits) {
  EXPECT_EQ(G(0.1234567, 4), "0.1235");
  EXPECT_EQ(G(123456, 4), "1.235E5");
  EXPECT_EQ(G(0.000012345, 4), "1.235E-5");
  EXPECT_EQ(G(-0.1234567, 4), "-0.1235");
  EXPECT_EQ(G(9999, 4), "9999");
  EXPECT_EQ(G(12345, 4), "1.235E4");
  EXPECT_EQ(G(0.00012345, 4), "0.0001235");
  EXPECT_EQ(G(1.5, 4), "1.5");
}

TEST_F(NumFmt, RoundingCarriesIntoTheNextDecade) {
  EXPECT_EQ(G(9.9995, 4), "10");
  EXPECT_EQ(G(9.9996, 4), "10");
  EXPECT_EQ(G(-9.9996, 4), "-10");
  EXPECT_EQ(G(99999, 4), "1E5");
  EXPECT_EQ(G(0.99999, 4), "1");
  EXPECT_EQ(G(0.95, 1), "1");
  EXPECT_EQ(G(0.00099999, 4), "0.001");
  EXPECT_EQ(G(9.9996, 4).size(), 2);
  EXPECT_EQ(E(9.996, 3), "1.00E+1");
  EXPECT_EQ(E(-0.099999, 2), "-1.0E-1");
}

TEST_F(NumFmt, ExponentFormIsZeroPaddedWithSignedExponent) {
  EXPECT_EQ(E(300, 3), "3.00E+2");
  EXPECT_EQ(E(300, 6), "3.00000E+2");
  EXPECT_EQ(E(20, 3), "2.00E+1");
  EXPECT_EQ(E(0, 3), "0.00E+0");
  EXPECT_EQ(E(-300, 3), "-3.00E+2");
  EXPECT_EQ(E(0.0000123, 3), "1.23E-5");
  EXPECT_EQ(E(0.000012345, 3), "1.23E-5");
  EXPECT_EQ(E(123456, 3), "1.23E+5");
  EXPECT_EQ(E(1, 3), "1.00E+0");
  EXPECT_EQ(E(1e-300, 3), "1.00E-300");
  EXPECT_EQ(E(0.5, 2), "5.0E-1");  // a short exponent right after a long one
  EXPECT_EQ(E(3, 1), "3E+0");
  EXPECT_EQ(E(1.0 / 3.0, 20), "3.3333333333333330000E-1");
}

TEST_F(NumFmt, NonFiniteValuesAreReadable) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(G(nan), "NAN");
  EXPECT_EQ(G(inf, 4), "INF");
  EXPECT_EQ(G(-inf), "-INF");
  EXPECT_EQ(E(nan, 6), "NAN");
  EXPECT_EQ(E(inf, 3), "INF");
  EXPECT_EQ(E(-inf, 3), "-INF");
}

TEST_F(NumFmt, OutOfRangeDigitCountsStillFormat) {
  EXPECT_EQ(G(0.1234567, 0), "0.1");
  EXPECT_EQ(G(0.1234567, -5), "0.1");
  EXPECT_EQ(E(300, 0), "3E+2");
  EXPECT_EQ(G(0.1, 100), "0.1");
  EXPECT_FALSE(E(0.1, 1000).isEmpty());
}

TEST_F(NumFmt, IntegersArePlainDecimal) {
  EXPECT_EQ(FormatInteger(0), "0");
  EXPECT_EQ(FormatInteger(-5), "-5");
  EXPECT_EQ(FormatInteger(123456789012LL), "123456789012");
}

TEST_F(NumFmt, CommaSeparatorIsUsedForShowingAndReading) {
  SetDecimalSeparator(QChar(','));
  EXPECT_EQ(DecimalSeparator(), QChar(','));
  EXPECT_EQ(G(0.1234567, 4), "0,1235");
  EXPECT_EQ(G(123456, 4), "1,235E5");
  EXPECT_EQ(E(300, 3), "3,00E+2");
  EXPECT_EQ(G(1000), "1000");

  double value = 0;
  EXPECT_TRUE(ParseDecimal("1,5", value));
  EXPECT_EQ(value, 1.5);
  EXPECT_TRUE(ParseDecimal("-2,5E-3", value));
  EXPECT_EQ(value, -0.0025);
  value = 7;
  EXPECT_FALSE(ParseDecimal("1.5", value));
  EXPECT_EQ(value, 7);
}

TEST_F(NumFmt, FormattedNumbersReadBack) {
  for (double x : {0.1234567, -3.75e-12, 6.02214076e23, 20.0, 0.0001, 1.0 / 7.0}) {
    double back = 0;
    ASSERT_TRUE(ParseDecimal(G(x), back)) << G(x).toStdString();
    EXPECT_NEAR(back, x, std::fabs(x) * 1e-14);
    ASSERT_TRUE(ParseDecimal(E(x, 6), back)) << E(x, 6).toStdString();
    EXPECT_NEAR(back, x, std::fabs(x) * 1e-5);
  }
}

TEST_F(NumFmt, ParseDecimalAcceptsWhatAUserTypes) {
  struct Case {
    const char* text;
    double expected;
  };
  const Case cases[] = {
      {"1.5", 1.5},
      {" 2.5e3 ", 2500},
      {"-0.001", -0.001},
      {"+3", 3},
      {"1E-5", 1e-5},
      {".5", 0.5},
      {"5.", 5},
      {"1e+2", 100},
      {"\t7 ", 7},
      {"-0", 0},
      {"0010", 10},
      {"1e308", 1e308},
      {"123456789012345678901234567890", 1.2345678901234568e29},
  };
  for (const Case& c : cases) {
    double value = -1;
    EXPECT_TRUE(ParseDecimal(QString::fromLatin1(c.text), value)) << c.text;
    EXPECT_DOUBLE_EQ(value, c.expected) << c.text;
  }
}

TEST_F(NumFmt, ParseDecimalRejectsJunkAndLeavesTheValue) {
  for (const char* text : {"",       "   ", "abc",  "1.5x", "1.2.3", "1,5",    "e5",    "1e",
                           "1e+",    "--1", "+-1",  "inf",  "nan",   "NAN",    "1e400", "-1e999",
                           "1e-400", "1 5", "0x10", ".",    "-",     "1.5 e3", "1e3.5", "٣"}) {
    double value = 42;
    EXPECT_FALSE(ParseDecimal(QString::fromUtf8(text), value)) << text;
    EXPECT_EQ(value, 42) << text;
  }
}

TEST_F(NumFmt, ParseIntegerIsStrict) {
  int value = 0;
  EXPECT_TRUE(ParseInteger("42", value));
  EXPECT_EQ(value, 42);
  EXPECT_TRUE(ParseInteger(" -7 ", value));
  EXPECT_EQ(value, -7);
  EXPECT_TRUE(ParseInteger("+3", value));
  EXPECT_EQ(value, 3);
  EXPECT_TRUE(ParseInteger("2147483647", value));
  EXPECT_EQ(value, 2147483647);
  EXPECT_TRUE(ParseInteger("-2147483648", value));
  EXPECT_EQ(value, -2147483647 - 1);

  for (const char* text : {"1.0", "1e3", "", " ", "12a", "99999999999", "2147483648", "-2147483649",
                           "-", "+", "1 2", "0x1F", "--1", "١٢"}) {
    int untouched = 5;
    EXPECT_FALSE(ParseInteger(QString::fromUtf8(text), untouched)) << text;
    EXPECT_EQ(untouched, 5) << text;
  }
}

}  // namespace
