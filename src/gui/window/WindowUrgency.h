#pragma once

#include <QtGlobal>

class QWidget;

// The "needs attention" mark of a top-level window as the window manager shows it (on X11
// _NET_WM_STATE_DEMANDS_ATTENTION). Kept here rather than left to QApplication::alert(): the
// toolkit's record of the mark goes stale once the window leaves the window manager, after
// which it never sets it again, and it offers no way to take the mark back on purpose.
class WindowUrgency final {
    Q_DISABLE_COPY_MOVE(WindowUrgency)

public:
    explicit WindowUrgency(QWidget& window);

    // Marks the shown window; every call marks it anew, whatever the window manager did since.
    void set();
    // Takes the mark back, if it was set since the last time.
    void clear();

private:
    void send(bool urgent);

    QWidget& m_window;
    bool m_set = false;
};
