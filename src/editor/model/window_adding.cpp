#include "editor/model/window_adding.h"

namespace tv {

AddStep planAddWindow(const WindowTable& table, WindowKind kind)
{
    if (kind == WindowKind::Video) {
        if (table.HasVideoWindow == 1)
            return table.inUse(kVideoWindow) ? AddStep{AddAction::VideoLimit, 0}
                                             : AddStep{AddAction::ShowVideoAgain, kVideoWindow};
        return {AddAction::CreateVideo, kVideoWindow};
    }
    const int lastCreated = table.PictureWindowCount + 1;
    for (int i = kFirstPictureWindow; i <= lastCreated; ++i)
        if (!table.inUse(i))
            return {AddAction::ShowPictureAgain, i};
    if (table.PictureWindowCount >= kMaxPictureWindows)
        return {AddAction::PictureLimit, 0};
    return {AddAction::CreatePicture, table.PictureWindowCount + 2};
}

QString windowName(const QString& kindCaption, int number)
{
    return kindCaption + QString::number(number);
}

int findWindowByName(const WindowTable& table, const std::function<QString(int)>& nameOf,
                     const QString& name)
{
    for (int i = 1; i < kWindowSlots; ++i)
        if (table.inUse(i) && nameOf(i) == name)
            return i;
    return 0;
}

IndexRange createdWindows(const WindowTable& table)
{
    const int first = table.HasVideoWindow == 1 ? kVideoWindow : kFirstPictureWindow;
    return {first, table.PictureWindowCount + 1};
}

} // namespace tv
