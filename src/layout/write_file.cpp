#include "layout/write_file.h"

#include "layout/layout_description.h"

namespace tv {

void WriteFile::PutByte(std::uint8_t value)
{
    bytes_.append(static_cast<char>(value));
}

void WriteFile::PutName(const QString& name)
{
    for (QChar unit : name) {
        bytes_.append(static_cast<char>(unit.unicode() & 0xFF));
        bytes_.append(static_cast<char>(unit.unicode() >> 8));
    }
    for (qsizetype i = 2 * name.size(); i < kNameSlotBytes; ++i)
        bytes_.append('\0');
}

} // namespace tv
