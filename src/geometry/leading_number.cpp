#include "geometry/leading_number.h"

#include <limits>

namespace tv {

namespace {

bool skipped(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

double leadingNumber(const QString& text)
{
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text)
        if (!skipped(c))
            compact.append(c);

    // The longest prefix of the form [sign] digits [. digits] [exponent].
    QString number;
    qsizetype at = 0;
    const qsizetype end = compact.size();
    if (at < end && (compact[at] == QLatin1Char('+') || compact[at] == QLatin1Char('-')))
        number.append(compact[at++]);
    int mantissaDigits = 0;
    while (at < end && isDigit(compact[at])) {
        number.append(compact[at++]);
        ++mantissaDigits;
    }
    if (at < end && compact[at] == QLatin1Char('.')) {
        number.append(compact[at++]);
        while (at < end && isDigit(compact[at])) {
            number.append(compact[at++]);
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0;

    if (at < end && QStringLiteral("eEdD").contains(compact[at])) {
        qsizetype exponentAt = at + 1;
        QString exponent = QStringLiteral("e");
        if (exponentAt < end &&
            (compact[exponentAt] == QLatin1Char('+') || compact[exponentAt] == QLatin1Char('-')))
            exponent.append(compact[exponentAt++]);
        const qsizetype digitsStart = exponentAt;
        while (exponentAt < end && isDigit(compact[exponentAt]))
            exponent.append(compact[exponentAt++]);
        if (exponentAt > digitsStart)
            number.append(exponent);
    }

    bool ok = false;
    const double value = number.toDouble(&ok);
    if (ok)
        return value;
    // Only a magnitude beyond a double's range fails here: an overflow reads as
    // an infinity, an underflow as zero.
    const bool negative = number.startsWith(QLatin1Char('-'));
    const bool tiny = number.contains(QStringLiteral("e-"));
    if (tiny)
        return negative ? -0.0 : 0.0;
    const double infinity = std::numeric_limits<double>::infinity();
    return negative ? -infinity : infinity;
}

} // namespace tv
