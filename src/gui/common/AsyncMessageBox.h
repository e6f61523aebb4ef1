#pragma once

#include <QMessageBox>

#include <functional>

// Opens a message box over parent without waiting for it. answered hears the button the user
// chose (NoButton for the close box), unless context is gone by then.
using MessageBoxAnswer = std::function<void(QMessageBox::StandardButton)>;
QMessageBox* openMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                            const QString& text, QMessageBox::StandardButtons buttons,
                            QObject* context = nullptr, MessageBoxAnswer answered = {});
