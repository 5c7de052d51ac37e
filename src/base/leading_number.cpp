#include "base/leading_number.h"

#include <clocale>
#include <cstdlib>

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

    // The conversion decides what is too large or too small, whatever the
    // length of the text: an overflow gives an infinity, an underflow zero or
    // a value close to it. The C library reads the point of the current locale.
    QByteArray latin = number.toLatin1();
    latin.replace('.', std::localeconv()->decimal_point);
    return std::strtod(latin.constData(), nullptr);
}

} // namespace tv
