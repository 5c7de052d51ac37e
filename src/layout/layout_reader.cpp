#include "layout/layout_reader.h"

#include "layout/scaling.h"

namespace tv {

namespace {

std::uint8_t byteAt(const QByteArray& bytes, qsizetype offset)
{
    return static_cast<std::uint8_t>(bytes[offset]);
}

TwipsRect rectAt(const QByteArray& bytes, qsizetype offset, ScreenShape shape)
{
    return {twipsAcross(byteAt(bytes, offset), shape), twipsDown(byteAt(bytes, offset + 1), shape),
            twipsAcross(byteAt(bytes, offset + 2), shape),
            twipsDown(byteAt(bytes, offset + 3), shape)};
}

QString nameAt(const QByteArray& bytes, qsizetype offset)
{
    QString name;
    name.reserve(kNameSlotUnits);
    for (int unit = 0; unit < kNameSlotUnits; ++unit)
        name.append(QChar(static_cast<char16_t>(byteAt(bytes, offset + 2 * unit) |
                                                (byteAt(bytes, offset + 2 * unit + 1) << 8))));
    while (name.endsWith(QChar(u'\0')))
        name.chop(1);
    return name;
}

ReadRefusal notALayout(const QString& why)
{
    return {QStringLiteral("This is not a layout file: %1").arg(why)};
}

} // namespace

std::variant<LayoutDescription, ReadRefusal> decodeLayout(const QByteArray& bytes,
                                                          ScreenShape shape)
{
    const qsizetype size = bytes.size();
    if (size < kHeadBytes)
        return notALayout(QStringLiteral("it is shorter than %1 bytes.").arg(kHeadBytes));
    if ((size - kHeadBytes) % kNameSlotBytes != 0)
        return notALayout(QStringLiteral("its playlist names do not fill whole slots."));
    const int video = byteAt(bytes, 0);
    if (video > 1)
        return notALayout(QStringLiteral("its first byte is %1, not 0 or 1.").arg(video));
    const int pictures = byteAt(bytes, 1);
    if (pictures > kPictureSlots)
        return notALayout(
            QStringLiteral("it counts %1 picture windows; at most 10 fit.").arg(pictures));

    const qsizetype total = (size - kHeadBytes) / kNameSlotBytes;
    auto listStart = [&](int j) { return qsizetype(byteAt(bytes, kListStartOffset + j)); };
    ListLengths lengths{};
    qsizetype counted = 0;
    for (int list = video == 1 ? 0 : 1; list <= pictures; ++list) {
        qsizetype length =
            list < kPictureSlots ? listStart(list + 1) - listStart(list) : total - counted;
        if (length < 0)
            length = 0; // the count started again after an empty playlist
        lengths[static_cast<std::size_t>(list)] = length;
        counted += length;
    }
    switch (listExcess(lengths)) {
    case ListExcess::None:
        break;
    case ListExcess::PastMostNames:
        return notALayout(QStringLiteral("it is longer than any layout: its playlists hold %1 "
                                         "names, and a display reads at most %2.")
                              .arg(nameCount(lengths))
                              .arg(kMostNames));
    case ListExcess::StartPastByte:
        return notALayout(QStringLiteral("its list starts count past 255."));
    }
    if (counted != total)
        return notALayout(QStringLiteral("its playlists account for %1 names, but it holds %2.")
                              .arg(counted)
                              .arg(total));

    LayoutDescription layout;
    layout.shape = shape;
    qsizetype nameOffset = kHeadBytes;
    auto readWindow = [&](int list, qsizetype rectOffset) {
        LayoutWindow window;
        window.index = list + 1;
        window.rect = rectAt(bytes, rectOffset, shape);
        for (qsizetype n = 0; n < lengths[static_cast<std::size_t>(list)]; ++n) {
            window.names << nameAt(bytes, nameOffset);
            nameOffset += kNameSlotBytes;
        }
        return window;
    };
    if (video == 1)
        layout.video = readWindow(0, 2);
    for (int slot = 1; slot <= pictures; ++slot)
        layout.pictures << readWindow(slot, 6 + 4 * (slot - 1));
    for (int slot = 0; slot < kPictureSlots; ++slot)
        layout.switchTimes[static_cast<std::size_t>(slot)] =
            byteAt(bytes, kSwitchTimeOffset + 2 * slot) * 256 +
            byteAt(bytes, kSwitchTimeOffset + 2 * slot + 1);
    return layout;
}

} // namespace tv
