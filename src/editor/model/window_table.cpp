#include "editor/model/window_table.h"

namespace tv {

void WindowTable::empty()
{
    HasVideoWindow = 0;
    PictureWindowCount = 0;
    WindowInUse.fill(kFree);
    CurrentWindow = 0;
}

bool WindowTable::inUse(int index) const
{
    return index >= 0 && index < kWindowSlots && WindowInUse[index] == kInUse;
}

bool WindowTable::isCreated(int index) const
{
    if (index == kVideoWindow)
        return HasVideoWindow == 1;
    return index >= kFirstPictureWindow && index <= PictureWindowCount + 1;
}

QStringList windowTableViolations(const WindowTable& table, const LayoutView& view)
{
    QStringList problems;
    auto report = [&problems](int rule, int index, const QString& what) {
        problems << QStringLiteral("rule %1, window %2: %3").arg(rule).arg(index).arg(what);
    };

    for (int i = 1; i < kWindowSlots; ++i) {
        const WindowPartsView& w = view.windows[i];
        const bool created = table.isCreated(i);

        if (created && w.existing != kWindowParts)
            report(1, i, QStringLiteral("created but only %1 of 5 parts exist").arg(w.existing));
        if (!created && w.existing != 0)
            report(1, i, QStringLiteral("not created but %1 parts exist").arg(w.existing));

        const std::int16_t flag = table.WindowInUse[i];
        if (flag != kInUse && flag != kFree)
            report(2, i, QStringLiteral("in-use flag holds %1").arg(flag));

        if (flag == kInUse) {
            if (!created)
                report(2, i, QStringLiteral("in use but its controls were never created"));
            if (w.visible != kWindowParts)
                report(2, i, QStringLiteral("in use but %1 of 5 parts visible").arg(w.visible));
            const auto listed = view.listedNames.count(w.name);
            if (listed != 1)
                report(2, i, QStringLiteral("name \"%1\" listed %2 times").arg(w.name).arg(listed));
        } else if (created && w.visible != 0) {
            report(3, i, QStringLiteral("deleted but %1 parts visible").arg(w.visible));
        }
    }

    for (const QString& name : view.listedNames) {
        bool owned = false;
        for (int i = 1; i < kWindowSlots && !owned; ++i)
            owned = table.inUse(i) && view.windows[i].name == name;
        if (!owned)
            problems << QStringLiteral("rule 2: listed name \"%1\" belongs to no window in use")
                            .arg(name);
    }

    const int current = table.CurrentWindow;
    if (current != 0 && !table.isCreated(current))
        report(4, current, QStringLiteral("current window was never created"));

    return problems;
}

} // namespace tv
