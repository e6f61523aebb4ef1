#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <chrono>

class QKeyEvent;
class QWidget;

// Keeps keys meant for another window out of one that has just appeared, as browsers do with
// a download prompt: for a moment after the window shows or becomes active every key is
// dropped, and a key held down since then repeats into it only after a fresh press. A click
// into the window shows the user is there and ends the guard; clicks always work at once.
class KeyboardGuard final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(KeyboardGuard)

public:
    static constexpr std::chrono::milliseconds DefaultDelay{1000};

    // Guards a top-level window for as long as it lives; the guard is its child.
    explicit KeyboardGuard(QWidget* window, std::chrono::milliseconds delay = DefaultDelay);
    ~KeyboardGuard() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void arm();
    bool drops(const QKeyEvent& key);

    QWidget* m_window;
    std::chrono::milliseconds m_delay;
    QElapsedTimer m_armed; // since the window last appeared or became active
    bool m_freshPress = false; // a key went down after the delay, not merely repeated
    bool m_clicked = false;
};

// Shows a window that a packet raised without taking the keyboard from the window the user
// is typing in, its keys guarded in case the window manager activates it all the same.
void showWithoutFocus(QWidget* window);
