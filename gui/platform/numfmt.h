#ifndef CALORIVECTRIX_GUI_NUMFMT_H
#define CALORIVECTRIX_GUI_NUMFMT_H

// How numbers are shown in labels and read back from dialog fields. Every format and every
// parser uses one decimal separator: the user's, taken from the default locale at first use
// unless start-up (or a test) sets it.

#include <QChar>
#include <QString>

// The separator shown between the integer and fractional digits and expected when reading.
QChar DecimalSeparator();
void SetDecimalSeparator(QChar separator);

// General-P: rounded to `precision` significant digits (1 or more), trailing zeros dropped;
// fixed notation while the decimal exponent is small, otherwise "1.235E5" / "1E-5".
// FormatGeneral(x) is the general number format used across the program.
QString FormatGeneral(double value, int precision = 15);

// Exponent-N: always scientific with `digits` significant digits, zero padded, and a signed
// exponent: "3.00E+2".
QString FormatExponent(double value, int digits);

QString FormatInteger(long long value);

// A decimal number as typed into a dialog: optional sign, digits with at most one user
// separator, optional exponent; blanks around it are ignored. False (and `value` untouched)
// for anything else, including numbers too large for a double.
bool ParseDecimal(const QString& text, double& value);

// When `text` does not read as a decimal only because it was written with the other
// separator ("0.3" where the user's is ","), the advice that says which one is expected:
// `the decimal separator is "," (0,3 rather than 0.3)`. Empty for anything else.
QString SeparatorAdvice(const QString& text);

// Numbers printed by the core (the classic notation, with a point) in the user's notation:
// every point becomes the user's separator. For texts whose only points are decimal ones,
// such as the printed forms of boundary functions.
QString LocalisedNumbers(const QString& text);

// A plain integer: optional sign and digits only, within the range of int; blanks around it
// are ignored. False (and `value` untouched) otherwise.
bool ParseInteger(const QString& text, int& value);

#endif
