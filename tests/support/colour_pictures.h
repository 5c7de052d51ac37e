#pragma once

#include <QColor>
#include <QDir>
#include <QImage>

namespace tv::test {

// Writes red.png, green.png, blue.png and yellow.png, each 64x36 of its one
// colour, into `folder`; false when one cannot be written.
inline bool writeColourPictures(const QString& folder)
{
    const std::pair<const char*, QColor> colours[] = {{"red.png", Qt::red},
                                                      {"green.png", Qt::green},
                                                      {"blue.png", Qt::blue},
                                                      {"yellow.png", Qt::yellow}};
    for (const auto& [name, colour] : colours) {
        QImage picture(64, 36, QImage::Format_RGB32);
        picture.fill(colour);
        if (!picture.save(QDir(folder).filePath(QLatin1String(name))))
            return false;
    }
    return true;
}

} // namespace tv::test
