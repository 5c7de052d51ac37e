#include "layout/layout_writer.h"

#include "layout/list_lengths.h"
#include "layout/scaling.h"

namespace tv {

namespace {

QString shownTitle(const QString& title)
{
    QString shown = title;
    return shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

SaveRefusal outsideRefusal(const QString& title)
{
    return {QStringLiteral("%1 lies partly outside the area a layout file can hold. Move it "
                           "inside the canvas and save again.")
                .arg(shownTitle(title))};
}

// Fills one row of a table: index, list length and the rectangle in whole
// twips.
std::optional<SaveRefusal> fillRow(std::array<std::int16_t, 6>& row, std::int16_t first,
                                   const LayoutWindow& window)
{
    const auto left = wholeTwips(window.rect.Left);
    const auto top = wholeTwips(window.rect.Top);
    const auto width = wholeTwips(window.rect.Width);
    const auto height = wholeTwips(window.rect.Height);
    if (!left || !top || !width || !height)
        return outsideRefusal(window.title);
    row = {first, static_cast<std::int16_t>(window.names.size()), *left, *top, *width, *height};
    return std::nullopt;
}

} // namespace

std::optional<SaveRefusal> listsRefusal(const ListLengths& lengths)
{
    switch (listExcess(lengths)) {
    case ListExcess::None:
        return std::nullopt;
    case ListExcess::StartPastByte:
        return SaveRefusal{
            QStringLiteral("The playlists hold too many names for a layout file: counted "
                           "from the video window on, at most 255 may come before a window "
                           "with an empty playlist.")};
    case ListExcess::PastMostNames:
        return SaveRefusal{QStringLiteral("The layout file would be longer than a display reads: "
                                          "the playlists hold %1 names, and one file holds at "
                                          "most %2.")
                               .arg(nameCount(lengths))
                               .arg(kMostNames)};
    }
    return std::nullopt;
}

std::variant<SaveInfo, SaveRefusal> PrepareSaveInfo(const LayoutDescription& layout)
{
    // Checked first, so that every list length fits the tables.
    if (auto refusal = listsRefusal(listLengths(layout)))
        return *refusal;
    SaveInfo info;
    info.shape = layout.shape;
    if (layout.video) {
        if (auto refusal = fillRow(info.VideoInfo, 1, *layout.video))
            return *refusal;
        info.names[0] = layout.video->names;
        info.titles[0] = layout.video->title;
    }
    int count = 0;
    for (const LayoutWindow& window : layout.pictures) {
        if (count == kPictureSlots)
            break;
        ++count;
        auto& row = info.PictureInfo[static_cast<std::size_t>(count)];
        if (auto refusal = fillRow(row, static_cast<std::int16_t>(window.index), window))
            return *refusal;
        info.names[static_cast<std::size_t>(count)] = window.names;
        info.titles[static_cast<std::size_t>(count)] = window.title;
        info.switchTimes[static_cast<std::size_t>(count - 1)] =
            layout.switchTimes[static_cast<std::size_t>(count - 1)];
    }
    info.PictureInfo[0][0] = static_cast<std::int16_t>(count);
    return info;
}

std::optional<SaveRefusal> WriteWindowGeometry(const SaveInfo& info, WriteFile& out)
{
    out.PutByte(static_cast<std::uint8_t>(info.VideoInfo[0]));
    out.PutByte(static_cast<std::uint8_t>(info.PictureInfo[0][0]));
    static const QString kinds[] = {QStringLiteral("x"), QStringLiteral("y"),
                                    QStringLiteral("width"), QStringLiteral("height")};
    auto writeRect = [&](const std::array<std::int16_t, 6>& row,
                         const QString& title) -> std::optional<SaveRefusal> {
        for (std::size_t i = 0; i < 4; ++i) {
            const auto percentage = ScalerChange(row[i + 2], kinds[i], info.shape);
            if (!percentage)
                return outsideRefusal(title);
            out.PutByte(*percentage);
        }
        return std::nullopt;
    };
    if (auto refusal = writeRect(info.VideoInfo, info.titles[0]))
        return refusal;
    for (std::size_t k = 1; k <= kPictureSlots; ++k)
        if (auto refusal = writeRect(info.PictureInfo[k], info.titles[k]))
            return refusal;
    for (int i = 0; i < 4; ++i)
        out.PutByte(0);
    return std::nullopt;
}

void WriteSwitchTimes(const SaveInfo& info, WriteFile& out)
{
    for (int k = 1; k <= kPictureSlots; ++k) {
        const std::int32_t t =
            k <= info.PictureInfo[0][0] ? info.switchTimes[static_cast<std::size_t>(k - 1)] : 0;
        // Division truncates toward zero; only the low 16 bits reach the file.
        out.PutByte(static_cast<std::uint8_t>((t / 256) & 255));
        out.PutByte(static_cast<std::uint8_t>(t & 255));
    }
}

std::optional<SaveRefusal> WriteListStarts(const SaveInfo& info, WriteFile& out)
{
    // Each start is the running count of names, except that after an empty
    // picture playlist the count starts again from 0. Readers rely on exactly
    // these bytes. The sum after slot 10 is never stored, as slot 10's list is
    // known from the file's length.
    ListLengths lengths{};
    lengths[0] = info.VideoInfo[1];
    for (std::size_t k = 1; k <= kPictureSlots; ++k)
        lengths[k] = info.PictureInfo[k][1];
    if (auto refusal = listsRefusal(lengths))
        return refusal;
    out.PutByte(0);
    qsizetype running = lengths[0];
    for (std::size_t k = 1; k <= kPictureSlots; ++k) {
        out.PutByte(static_cast<std::uint8_t>(running));
        running = lengths[k] == 0 ? 0 : running + lengths[k];
    }
    return std::nullopt;
}

std::optional<SaveRefusal> WriteFileNames(const SaveInfo& info, WriteFile& out)
{
    for (const QStringList& names : info.names)
        for (const QString& name : names) {
            // A longer name would shift every field after it.
            if (name.size() > kNameSlotUnits)
                return SaveRefusal{
                    QStringLiteral("The playlist name %1 is longer than 20 characters.").arg(name)};
            out.PutName(name);
        }
    return std::nullopt;
}

std::variant<QByteArray, SaveRefusal> encodeLayout(const LayoutDescription& layout)
{
    auto prepared = PrepareSaveInfo(layout);
    if (auto* refusal = std::get_if<SaveRefusal>(&prepared))
        return *refusal;
    const SaveInfo& info = std::get<SaveInfo>(prepared);
    WriteFile out;
    if (auto refusal = WriteWindowGeometry(info, out))
        return *refusal;
    WriteSwitchTimes(info, out);
    if (auto refusal = WriteListStarts(info, out))
        return *refusal;
    if (auto refusal = WriteFileNames(info, out))
        return *refusal;
    return out.bytes();
}

} // namespace tv
