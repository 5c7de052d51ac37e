#include "editor/controls/beside_or_over.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tv {

QRect besideOrOver(const QRect& editor, const QSize& size, const QRect& screen)
{
    constexpr int gap = 8;
    auto kept = [&](QPoint at) {
        at.setX(std::max(screen.left(), std::min(at.x(), screen.right() + 1 - size.width())));
        at.setY(std::max(screen.top(), std::min(at.y(), screen.bottom() + 1 - size.height())));
        return QRect(at, size);
    };
    const int right = editor.right() + 1 + gap;
    if (right + size.width() <= screen.right() + 1)
        return kept({right, editor.top()});
    const int left = editor.left() - gap - size.width();
    if (left >= screen.left())
        return kept({left, editor.top()});
    return kept(editor.center() - QPoint(size.width() / 2, size.height() / 2));
}

void placeBesideOrOver(QWidget* window, const QWidget* owner)
{
    const QScreen* screen = owner->screen();
    if (!screen)
        return;
    const QRect inner = owner->geometry(), outer = owner->frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    window->move(
        besideOrOver(outer, window->size().grownBy(frame), screen->availableGeometry()).topLeft());
}

} // namespace tv
