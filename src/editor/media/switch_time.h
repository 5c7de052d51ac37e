#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace tv {

inline constexpr int kShortestSwitchTime = 5;
inline constexpr int kLongestSwitchTime = 65535;

// While the switch time is typed: a value above 65535 becomes "65535".
// Returns the corrected text, or nothing when the text stands.
std::optional<QString> switchTimeWhileTyping(const QString& text);

// When the box is left: a non-empty text worth less than 5 becomes "5", one
// above 65535 becomes "65535"; an empty text stays empty.
std::optional<QString> switchTimeOnLeaving(const QString& text);

// The seconds that OK stores: the whole text must be a number (blanks around
// it allowed); a fraction rounds to the nearest whole number, ties to the even
// one. Nothing when the text is empty, not a number, or beyond 32 bits.
std::optional<std::int32_t> switchTimeOfText(const QString& text);

} // namespace tv
