#include "layout/layout_inspection.h"

#include "layout/screen_place.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace tv {

namespace {

// JSON's own spelling of a string, escapes and all.
QByteArray quoted(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray rectangle(int x, int y, int width, int height)
{
    return QByteArrayLiteral("{\"x\": ") + QByteArray::number(x) +
           ", \"y\": " + QByteArray::number(y) + ", \"width\": " + QByteArray::number(width) +
           ", \"height\": " + QByteArray::number(height) + "}";
}

// One window's members, each line indented by `indent`, without the braces.
QByteArray windowMembers(const LayoutWindow& window, ScreenShape shape, const QByteArray& indent,
                         const QList<QByteArray>& between)
{
    const PercentPlace percent = percentPlace(window.rect, shape);
    const QRect pixels = screenPixels(percent, shape);
    QByteArray playlist = "[";
    for (qsizetype i = 0; i < window.names.size(); ++i)
        playlist += (i ? ", " : "") + quoted(window.names[i]);
    playlist += "]";
    QList<QByteArray> members;
    members << "\"percent\": " + rectangle(percent.x, percent.y, percent.width, percent.height)
            << "\"pixels\": " + rectangle(pixels.x(), pixels.y(), pixels.width(), pixels.height())
            << between << "\"playlist\": " + playlist;
    QByteArray text;
    for (qsizetype i = 0; i < members.size(); ++i)
        text += indent + members[i] + (i + 1 < members.size() ? ",\n" : "\n");
    return text;
}

} // namespace

QByteArray inspectLayout(const LayoutDescription& layout)
{
    qsizetype names = 0;
    QByteArray text = "{\n    \"shape\": " + quoted(shapeName(layout.shape)) + ",\n    \"video\": ";
    if (layout.video) {
        text += "{\n" + windowMembers(*layout.video, layout.shape, "        ", {}) + "    },\n";
        names += layout.video->names.size();
    } else {
        text += "null,\n";
    }
    text += "    \"pictures\": [";
    for (qsizetype k = 0; k < layout.pictures.size(); ++k) {
        const QByteArray slot = "        \"slot\": " + QByteArray::number(k + 1) + ",\n";
        const QByteArray switchTime =
            "\"switchTime\": " + QByteArray::number(layout.switchTimes[std::size_t(k)]);
        text += QByteArray(k ? "," : "") + "\n        {\n    " + slot +
                windowMembers(layout.pictures[k], layout.shape, "            ", {switchTime}) +
                "        }";
        names += layout.pictures[k].names.size();
    }
    text += layout.pictures.isEmpty() ? "],\n" : "\n    ],\n";
    text += "    \"nameCount\": " + QByteArray::number(names) + "\n}\n";
    return text;
}

} // namespace tv
