#include "layout/screen_shape.h"

namespace tv {

QString shapeName(ScreenShape shape)
{
    return shape == ScreenShape::Portrait ? QStringLiteral("portrait")
                                          : QStringLiteral("landscape");
}

std::optional<ScreenShape> shapeNamed(const QString& name)
{
    for (ScreenShape shape : {ScreenShape::Landscape, ScreenShape::Portrait})
        if (name == shapeName(shape))
            return shape;
    return std::nullopt;
}

} // namespace tv
