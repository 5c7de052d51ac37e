#include "layout/list_lengths.h"

#include <algorithm>

namespace tv {

ListLengths listLengths(const LayoutDescription& layout)
{
    ListLengths lengths{};
    if (layout.video)
        lengths[0] = layout.video->names.size();
    for (qsizetype slot = 1; slot <= std::min<qsizetype>(layout.pictures.size(), kPictureSlots);
         ++slot)
        lengths[static_cast<std::size_t>(slot)] = layout.pictures[slot - 1].names.size();
    return lengths;
}

qsizetype nameCount(const ListLengths& lengths)
{
    qsizetype total = 0;
    for (qsizetype length : lengths)
        total += length;
    return total;
}

ListExcess listExcess(const ListLengths& lengths)
{
    // The starts of lists 1..10 are stored; the count after slot 10 is not,
    // as slot 10's list is known from the file's length. An empty picture
    // list starts the count again from 0.
    qsizetype running = lengths[0];
    for (std::size_t slot = 1; slot <= kPictureSlots; ++slot) {
        if (running > 255)
            return ListExcess::StartPastByte;
        running = lengths[slot] == 0 ? 0 : running + lengths[slot];
    }
    return nameCount(lengths) > kMostNames ? ListExcess::PastMostNames : ListExcess::None;
}

} // namespace tv
