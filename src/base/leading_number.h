#pragma once

#include <QString>

namespace tv {

// The number a user means by a typed field: the number at the start of the
// text. Blanks, tabs and line feeds are skipped wherever they stand; "." is the
// only decimal point whatever the locale; an exponent (E or D, optional sign,
// digits) continues the number; reading stops at the first character that
// cannot continue it. A text that does not start with a number reads as 0.
// So "12px" is 12, "1 920" is 1920 and "abc" is 0. A number too large for a
// double reads as an infinity of its sign.
double leadingNumber(const QString& text);

} // namespace tv
