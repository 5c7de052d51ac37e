#pragma once

#include <QWidget>

#include <utility>

namespace tv {

// The owner's one window of the kind `Window`: made with `arguments` (and the
// owner as its parent) the first time, then shown and brought to the front
// each time, so that a second call never opens a second window.
template <class Window, class... Arguments>
Window& showOwnedWindow(QWidget* owner, Arguments&&... arguments)
{
    auto* window = owner->findChild<Window*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window)
        window = new Window(std::forward<Arguments>(arguments)..., owner);
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}

} // namespace tv
