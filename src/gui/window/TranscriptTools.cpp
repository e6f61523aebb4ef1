#include "TranscriptTools.h"

#include "MainMenus.h"
#include "gui/transcript/TranscriptPrinter.h"
#include "gui/transcript/TranscriptSaver.h"
#include "gui/transcript/TranscriptView.h"

#include <QAction>

void connectTranscriptTools(MainMenus& menus, TranscriptView& chat, const QString& programFolder,
                            QWidget* window)
{
    auto* saver = new TranscriptSaver(chat.entries(), chat, programFolder, window);
    const std::pair<QAction*, ExportKind> saves[] = {{menus.mnuHTML, ExportKind::Html},
                                                     {menus.mnuRCHT, ExportKind::Rtf},
                                                     {menus.mnuSimpleText, ExportKind::PlainText}};
    for (const auto& [action, kind] : saves)
        QObject::connect(action, &QAction::triggered, saver,
                         [saver, chosen = kind] { saver->save(chosen); });
    auto* printer = new TranscriptPrinter(chat.entries(), chat, window);
    QObject::connect(menus.mnuPrintchat, &QAction::triggered, printer, &TranscriptPrinter::print);
    QObject::connect(menus.mnuClear, &QAction::triggered, &chat, &TranscriptView::clearTranscript);
}
