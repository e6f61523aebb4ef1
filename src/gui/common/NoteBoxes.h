#pragma once

#include "core/protocol/NotePresenter.h"

class QWidget;

// Private notes as message boxes that do not wait: the network goes on meanwhile, and several
// can be open at once.
class NoteBoxes final : public NotePresenter {
public:
    explicit NoteBoxes(QWidget* window)
        : m_window(window)
    {
    }

    void showNote(const QString& caption, const QString& text,
                  std::function<void()> closed) override;

private:
    QWidget* m_window;
};
