#include "AsyncMessageBox.h"

QMessageBox* openMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                            const QString& text, QMessageBox::StandardButtons buttons,
                            QObject* context, MessageBoxAnswer answered)
{
    auto* box = new QMessageBox(icon, title, text, buttons, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // File names and error texts are shown as they are, never read as markup.
    box->setTextFormat(Qt::PlainText);
    if (answered && context) {
        QObject::connect(box, &QMessageBox::finished, context,
                         [box, answered = std::move(answered)](int) {
                             answered(box->standardButton(box->clickedButton()));
                         });
    }
    box->open();
    return box;
}
