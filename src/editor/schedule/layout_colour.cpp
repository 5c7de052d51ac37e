#include "editor/schedule/layout_colour.h"

#include <algorithm>
#include <array>

namespace tv {

namespace {

constexpr std::array<QRgb, 16> kPalette = {
    0xff3b75af, 0xffef8a17, 0xff4f9d3a, 0xff8e63b5, 0xff2aa198, 0xffe5c02a, 0xff9c6b4e, 0xffe377c2,
    0xffa5a82a, 0xff6cb6e0, 0xff98d35a, 0xff2b3d8f, 0xffb83b9e, 0xffd9b98c, 0xff17becf, 0xff8fd1b5};

// FNV-1a over the name's UTF-16: unlike qHash, the same in every Qt.
quint32 hashOf(const QString& name)
{
    quint32 hash = 2166136261u;
    for (const QChar c : name) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return hash;
}

} // namespace

LayoutColours::LayoutColours(QStringList names)
{
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    names.removeAll(QStringLiteral("off"));
    std::array<bool, kPalette.size()> taken{};
    for (const QString& name : names) {
        // The name's own colour, or the next one not yet taken; past 16
        // names colours repeat.
        std::size_t slot = hashOf(name) % kPalette.size();
        for (std::size_t tries = 0; taken[slot] && tries < kPalette.size(); ++tries)
            slot = (slot + 1) % kPalette.size();
        taken[slot] = true;
        colours_.insert(name, QColor::fromRgb(kPalette[slot]));
    }
}

QColor LayoutColours::of(const QString& target) const
{
    if (target == QLatin1String("off"))
        return QColor(28, 28, 28);
    return colours_.value(target, QColor::fromRgb(kPalette[hashOf(target) % kPalette.size()]));
}

QColor fadedColour(const QColor& colour)
{
    return QColor((colour.red() + 2 * 255) / 3, (colour.green() + 2 * 255) / 3,
                  (colour.blue() + 2 * 255) / 3);
}

} // namespace tv
