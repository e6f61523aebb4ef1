#include "NoteBoxes.h"

#include "KeyboardGuard.h"

#include <QMessageBox>

void NoteBoxes::showNote(const QString& caption, const QString& text, std::function<void()> closed)
{
    auto* box = new QMessageBox(QMessageBox::Information, caption, text, QMessageBox::Ok, m_window);
    // A peer's text is shown as it is: no markup, no link, no image.
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QObject::connect(box, &QDialog::finished, box, [closed = std::move(closed)] { closed(); });
    // Enter that was meant for the composer must not close a note nobody has read.
    showWithoutFocus(box);
}
