#include "TranscriptTools.h"

#include "MainMenus.h"
#include "gui/transcript/FindBar.h"
#include "gui/transcript/TranscriptPrinter.h"
#include "gui/transcript/TranscriptSaver.h"
#include "gui/transcript/TranscriptView.h"

#include <QAction>

void connectTranscriptTools(MainMenus& menus, TranscriptView& chat, const QString& programFolder,
                            QWidget* window)
{
    auto* saver = new TranscriptSaver(chat.entries(), chat, programFolder, window);
    const MainMenus::ToolsMenu& tools = menus.tools();
    const std::pair<QAction*, ExportKind> saves[] = {{tools.saveAsHtml, ExportKind::Html},
                                                     {tools.saveAsRtf, ExportKind::Rtf},
                                                     {tools.saveAsText, ExportKind::PlainText}};
    for (const auto& [action, kind] : saves)
        QObject::connect(action, &QAction::triggered, saver,
                         [saver, chosen = kind] { saver->save(chosen); });
    auto* printer = new TranscriptPrinter(chat.entries(), chat, window);
    QObject::connect(tools.print, &QAction::triggered, printer, &TranscriptPrinter::print);
    auto* findBar = new FindBar(chat);
    QObject::connect(tools.find, &QAction::triggered, findBar, &FindBar::open);
    QObject::connect(tools.clear, &QAction::triggered, &chat, &TranscriptView::clearTranscript);
}
