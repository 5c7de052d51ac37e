#include "layoutfile/layout_inspection.h"

#include "layoutfile/scaling.h"

#include <QJsonArray>

#include <cmath>

namespace tv {

namespace {

QJsonObject window(const LayoutWindow& window)
{
    const int x = percentageByte(window.rect.Left, QStringLiteral("x"));
    const int y = percentageByte(window.rect.Top, QStringLiteral("y"));
    const int width = percentageByte(window.rect.Width, QStringLiteral("width"));
    const int height = percentageByte(window.rect.Height, QStringLiteral("height"));
    auto pixels = [](int percent, int extent) {
        return int(std::lround(percent * extent / 100.0));
    };
    return {{QStringLiteral("x"), x},
            {QStringLiteral("y"), y},
            {QStringLiteral("width"), width},
            {QStringLiteral("height"), height},
            {QStringLiteral("pixels"), QJsonArray{pixels(x, 1920), pixels(y, 1080),
                                                  pixels(width, 1920), pixels(height, 1080)}},
            {QStringLiteral("playlist"), QJsonArray::fromStringList(window.names)}};
}

} // namespace

QJsonObject inspectLayout(const LayoutDescription& layout)
{
    qsizetype names = 0;
    QJsonObject result;
    result.insert(QStringLiteral("video"), QJsonValue::Null);
    if (layout.video) {
        result.insert(QStringLiteral("video"), window(*layout.video));
        names += layout.video->names.size();
    }
    QJsonArray pictures;
    for (qsizetype k = 0; k < layout.pictures.size(); ++k) {
        QJsonObject picture = window(layout.pictures[k]);
        picture.insert(QStringLiteral("slot"), int(k + 1));
        picture.insert(QStringLiteral("switchTime"),
                       layout.switchTimes[static_cast<std::size_t>(k)]);
        pictures.append(picture);
        names += layout.pictures[k].names.size();
    }
    result.insert(QStringLiteral("pictures"), pictures);
    result.insert(QStringLiteral("names"), int(names));
    return result;
}

} // namespace tv
