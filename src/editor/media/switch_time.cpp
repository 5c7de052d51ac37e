#include "editor/media/switch_time.h"

#include "base/leading_number.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace tv {

std::optional<QString> switchTimeWhileTyping(const QString& text)
{
    if (leadingNumber(text) > kLongestSwitchTime)
        return QString::number(kLongestSwitchTime);
    return std::nullopt;
}

std::optional<QString> switchTimeOnLeaving(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    const double value = leadingNumber(text);
    if (value < kShortestSwitchTime)
        return QString::number(kShortestSwitchTime);
    if (value > kLongestSwitchTime)
        return QString::number(kLongestSwitchTime);
    return std::nullopt;
}

std::optional<std::int32_t> switchTimeOfText(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[ \\t]*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?[ \\t]*$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    const double value = std::nearbyint(leadingNumber(text)); // ties to even
    if (!(value >= std::numeric_limits<std::int32_t>::min() &&
          value <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace tv
