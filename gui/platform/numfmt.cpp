#include "gui/platform/numfmt.h"

#include <QLocale>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

#include "sim/check.h"

namespace {

QChar& Separator() {
  static QChar separator = [] {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 ? point.at(0) : QChar('.');
  }();
  return separator;
}

// |value| = d0.d1d2... x 10^exponent, with `digits` holding d0 d1 d2 ...
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// The shortest digits that read back as the same double. Rounding these, rather than the
// binary value's exact expansion, makes 9.9995 show as the 10 the user typed and not 9.999.
Decimal Decompose(double magnitude) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
  Decimal decimal;
  const char* p = buffer;
  for (; p != result.ptr && *p != 'e'; ++p) {
    if (*p != '.')
      decimal.digits.push_back(*p);
  }
  if (p != result.ptr) {
    // from_chars takes no '+', and to_chars writes one for positive exponents.
    const char* e = p + 1;
    if (e != result.ptr && *e == '+')
      ++e;
    std::from_chars(e, result.ptr, decimal.exponent);
  }
  return decimal;
}

// Rounds half away from zero to `count` significant digits (count >= 1), keeping exactly
// `count` digits; a carry out of the first digit moves the exponent.
void RoundTo(Decimal& decimal, int count) {
  const size_t keep = static_cast<size_t>(count);
  if (decimal.digits.size() <= keep) {
    decimal.digits.append(keep - decimal.digits.size(), '0');
    return;
  }
  const bool up = decimal.digits[keep] >= '5';
  decimal.digits.resize(keep);
  if (!up)
    return;
  for (size_t i = keep; i-- > 0;) {
    if (decimal.digits[i] != '9') {
      ++decimal.digits[i];
      return;
    }
    decimal.digits[i] = '0';
  }
  decimal.digits.insert(decimal.digits.begin(), '1');
  decimal.digits.pop_back();
  ++decimal.exponent;
}

QString NonFinite(double value) {
  if (std::isnan(value))
    return QStringLiteral("NAN");
  return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

bool IsAsciiDigit(QChar c) {
  return c >= QChar('0') && c <= QChar('9');
}

}  // namespace

QChar DecimalSeparator() {
  return Separator();
}

void SetDecimalSeparator(QChar separator) {
  INVARIANT(!IsAsciiDigit(separator) && separator != QChar('+') && separator != QChar('-') &&
                separator.toLower() != QChar('e') && !separator.isSpace(),
            "separator is not a digit, sign, exponent letter or blank");
  Separator() = separator;
}

QString FormatGeneral(double value, int precision) {
  if (!std::isfinite(value))
    return NonFinite(value);
  if (value == 0)
    return QStringLiteral("0");
  if (precision < 1)
    precision = 1;
  if (precision > 17)
    precision = 17;  // a double holds no more

  Decimal decimal = Decompose(std::fabs(value));
  RoundTo(decimal, precision);
  while (decimal.digits.size() > 1 && decimal.digits.back() == '0')
    decimal.digits.pop_back();

  QString text;
  if (value < 0)
    text += QChar('-');
  const int exponent = decimal.exponent;
  const int count = static_cast<int>(decimal.digits.size());
  // Written as 0.d1d2... x 10^(exponent + 1), fixed notation covers -3 <= exponent + 1 <= P.
  if (exponent >= -4 && exponent <= precision - 1) {
    if (exponent < 0) {
      text += QChar('0');
      text += Separator();
      text += QString(-exponent - 1, QChar('0'));
      text += QString::fromLatin1(decimal.digits.data(), count);
    } else {
      const int whole = exponent + 1;
      if (count <= whole) {
        text += QString::fromLatin1(decimal.digits.data(), count);
        text += QString(whole - count, QChar('0'));
      } else {
        text += QString::fromLatin1(decimal.digits.data(), whole);
        text += Separator();
        text += QString::fromLatin1(decimal.digits.data() + whole, count - whole);
      }
    }
    return text;
  }
  text += QChar(decimal.digits[0]);
  if (count > 1) {
    text += Separator();
    text += QString::fromLatin1(decimal.digits.data() + 1, count - 1);
  }
  text += QChar('E');
  text += QString::number(exponent);
  return text;
}

QString FormatExponent(double value, int digits) {
  if (!std::isfinite(value))
    return NonFinite(value);
  if (digits < 1)
    digits = 1;
  // Beyond a double's own digits the padding carries no information; the cap keeps the
  // text bounded.
  if (digits > 40)
    digits = 40;

  Decimal decimal;
  if (value == 0) {
    decimal.digits.assign(static_cast<size_t>(digits), '0');
  } else {
    decimal = Decompose(std::fabs(value));
    RoundTo(decimal, digits);
  }

  QString text;
  if (value < 0)
    text += QChar('-');
  text += QChar(decimal.digits[0]);
  if (digits > 1) {
    text += Separator();
    text += QString::fromLatin1(decimal.digits.data() + 1, digits - 1);
  }
  text += QChar('E');
  text += decimal.exponent < 0 ? QChar('-') : QChar('+');
  text += QString::number(std::abs(decimal.exponent));
  return text;
}

QString FormatInteger(long long value) {
  return QString::number(value);
}

bool ParseDecimal(const QString& text, double& value) {
  const QString trimmed = text.trimmed();
  const QChar separator = Separator();
  // Rebuilt in the form from_chars reads, which is independent of the C library's locale.
  std::string ascii;
  ascii.reserve(static_cast<size_t>(trimmed.size()));
  int i = 0;
  const int n = static_cast<int>(trimmed.size());
  if (i < n && (trimmed[i] == QChar('+') || trimmed[i] == QChar('-'))) {
    if (trimmed[i] == QChar('-'))
      ascii.push_back('-');
    ++i;
  }
  int mantissaDigits = 0;
  for (; i < n && IsAsciiDigit(trimmed[i]); ++i, ++mantissaDigits) {
    ascii.push_back(static_cast<char>(trimmed[i].unicode()));
  }
  if (i < n && trimmed[i] == separator) {
    ascii.push_back('.');
    for (++i; i < n && IsAsciiDigit(trimmed[i]); ++i, ++mantissaDigits) {
      ascii.push_back(static_cast<char>(trimmed[i].unicode()));
    }
  }
  if (mantissaDigits == 0)
    return false;
  if (i < n && (trimmed[i] == QChar('e') || trimmed[i] == QChar('E'))) {
    ascii.push_back('e');
    ++i;
    if (i < n && (trimmed[i] == QChar('+') || trimmed[i] == QChar('-'))) {
      ascii.push_back(static_cast<char>(trimmed[i].unicode()));
      ++i;
    }
    int exponentDigits = 0;
    for (; i < n && IsAsciiDigit(trimmed[i]); ++i, ++exponentDigits) {
      ascii.push_back(static_cast<char>(trimmed[i].unicode()));
    }
    if (exponentDigits == 0)
      return false;
  }
  if (i != n)
    return false;

  double result = 0;
  const char* end = ascii.data() + ascii.size();
  const auto parsed = std::from_chars(ascii.data(), end, result);
  if (parsed.ec != std::errc() || parsed.ptr != end || !std::isfinite(result))
    return false;
  value = result;
  return true;
}

QString SeparatorAdvice(const QString& text) {
  const QChar mine = Separator();
  const QChar other = mine == QChar('.') ? QChar(',') : QChar('.');
  double value = 0;
  if (!text.contains(other) || ParseDecimal(text, value))
    return QString();
  QString corrected = text.trimmed();
  corrected.replace(other, mine);
  if (!ParseDecimal(corrected, value))
    return QString();
  return QStringLiteral("the decimal separator is \"%1\" (%2 rather than %3)")
      .arg(mine)
      .arg(corrected, text.trimmed());
}

QString LocalisedNumbers(const QString& text) {
  QString localised = text;
  return localised.replace(QChar('.'), Separator());
}

bool ParseInteger(const QString& text, int& value) {
  const QString trimmed = text.trimmed();
  const int n = static_cast<int>(trimmed.size());
  int i = 0;
  bool negative = false;
  if (i < n && (trimmed[i] == QChar('+') || trimmed[i] == QChar('-'))) {
    negative = trimmed[i] == QChar('-');
    ++i;
  }
  if (i == n)
    return false;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; i < n; ++i) {
    if (!IsAsciiDigit(trimmed[i]))
      return false;
    magnitude = magnitude * 10 + (trimmed[i].unicode() - '0');
    if (magnitude > limit)
      return false;
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return true;
}
