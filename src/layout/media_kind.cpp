#include "layout/media_kind.h"

#include <QStringList>

#include <array>

namespace tv {

namespace {

// The endings are compared as three characters: ".ts" keeps its dot.
constexpr std::array<const char*, 10> kVideoEndings{"mpg", "avi", ".ts", "mkv", "mp4",
                                                    "vob", "wmv", "bmp", "jpg", "png"};
constexpr std::array<const char*, 2> kPictureEndings{"jpg", "bmp"};
constexpr std::array<const char*, 3> kStillEndings{"bmp", "jpg", "png"};

QString ending(const QString& name)
{
    QString last = name.right(3);
    // Only A to Z are folded, so no other letter can turn into an ending.
    for (QChar& c : last)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    return last;
}

template <std::size_t N> bool endsIn(const QString& name, const std::array<const char*, N>& endings)
{
    const QString last = ending(name);
    for (const char* entry : endings)
        if (last == QLatin1String(entry))
            return true;
    return false;
}

} // namespace

bool IsVideoFile(const QString& name)
{
    return endsIn(name, kVideoEndings);
}

bool IsPicFile(const QString& name)
{
    return endsIn(name, kPictureEndings);
}

bool playsAsPicture(const QString& name)
{
    return endsIn(name, kStillEndings);
}

} // namespace tv
