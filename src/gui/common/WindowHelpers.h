#pragma once

class QString;
class QWidget;

// Hands a web address or a file to the desktop's default handler; a bare "www." address is
// taken as a web page. False when no handler took it.
bool openExternally(const QString& target);
// Keeps the window above ordinary windows, where it is and at the size it has.
void keepOnTop(QWidget* window);
// True under a Wayland compositor. A program there cannot see or choose where its windows are on
// the screen, cannot raise one, and gets the keyboard only when the compositor agrees.
bool onWayland();
// Asks the system to draw a shadow under the window, where the window manager does not.
void addDropShadow(QWidget* window);
