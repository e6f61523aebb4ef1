#pragma once

#include <QString>

#include <functional>

// Shows private notes to the user; the main window implements it with message boxes, tests
// with a recorder.
class NotePresenter {
public:
    virtual ~NotePresenter() = default;
    // Shows the note without waiting for the user, and calls closed once the user has closed it.
    virtual void showNote(const QString& caption, const QString& text,
                          std::function<void()> closed) = 0;
};
