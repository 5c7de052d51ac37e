#pragma once

#include "layout/layout_reader.h"
#include "layout/layout_writer.h"

#include <QString>

namespace tv::fuzz {

// What must hold for any bytes handed to the reader: it either refuses them or
// describes a layout within the format's bounds, which the writer writes and
// which reads back the same. Returns what went wrong, or an
// empty string.
inline QString checkLayoutBytes(const QByteArray& bytes)
{
    const auto decoded = decodeLayout(bytes);
    if (std::holds_alternative<ReadRefusal>(decoded))
        return std::get<ReadRefusal>(decoded).message.isEmpty() ? QStringLiteral("silent refusal")
                                                                : QString();
    const LayoutDescription& layout = std::get<LayoutDescription>(decoded);
    if (layout.pictures.size() > kPictureSlots)
        return QStringLiteral("more than ten picture windows");
    auto names = [](const LayoutDescription& l) {
        QList<QStringList> all;
        if (l.video)
            all << l.video->names;
        for (const LayoutWindow& w : l.pictures)
            all << w.names;
        return all;
    };
    qsizetype total = 0;
    for (const QStringList& list : names(layout))
        for (const QString& name : list) {
            if (name.size() > kNameSlotUnits)
                return QStringLiteral("a name longer than its slot");
            ++total;
        }
    if (kHeadBytes + total * kNameSlotBytes != bytes.size())
        return QStringLiteral("names not read exactly once");

    const auto encoded = encodeLayout(layout);
    // Open then Save never refuses what was opened.
    if (std::holds_alternative<SaveRefusal>(encoded))
        return QStringLiteral("the writer refuses a layout the reader accepts: ") +
               std::get<SaveRefusal>(encoded).message;
    const auto again = decodeLayout(std::get<QByteArray>(encoded));
    if (!std::holds_alternative<LayoutDescription>(again))
        return QStringLiteral("a written layout does not read back");
    const LayoutDescription& second = std::get<LayoutDescription>(again);
    if (names(second) != names(layout) || second.pictures.size() != layout.pictures.size() ||
        second.video.has_value() != layout.video.has_value())
        return QStringLiteral("a written layout reads back different");
    for (qsizetype i = 0; i < layout.pictures.size(); ++i)
        if (second.pictures[i].rect != layout.pictures[i].rect ||
            second.switchTimes[std::size_t(i)] != layout.switchTimes[std::size_t(i)])
            return QStringLiteral("a picture window reads back different");
    if (layout.video && second.video->rect != layout.video->rect)
        return QStringLiteral("the video window reads back different");
    return QString();
}

} // namespace tv::fuzz
