#pragma once
// What a button that opens a secondary window does: shows the window if hidden
// or minimised (bringing it to the front), hides it if shown.
#include <QWidget>

#include <functional>

// beforeShowing runs only when the window is about to be shown.
inline void ToggleWindow(QWidget& window, const std::function<void()>& beforeShowing = {})
{
    // A minimised window is still "visible": the button brings it back.
    if (window.isVisible() && !window.isMinimized()) {
        window.hide();
        return;
    }
    if (beforeShowing)
        beforeShowing();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}
