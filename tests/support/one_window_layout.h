#pragma once

#include "layout/layout_writer.h"

#include <QStringList>

namespace tv::test {

// The bytes of a layout of one full-screen picture window playing `names`,
// five seconds each.
inline QByteArray layoutNaming(const QStringList& names)
{
    LayoutDescription layout;
    layout.pictures << LayoutWindow{{0, 0, 7200, 4050}, names, {}, 2};
    layout.switchTimes[0] = 5;
    return std::get<QByteArray>(encodeLayout(layout));
}

} // namespace tv::test
