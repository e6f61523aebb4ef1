#include "HistoryTools.h"

#include "MainMenus.h"
#include "core/app/HistoryLog.h"
#include "gui/transcript/TranscriptExport.h"
#include "gui/transcript/TranscriptView.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include <memory>

void connectHistory(MainMenus& menus, TranscriptView& chat, HistoryLog& history, QWidget* window)
{
    std::shared_ptr<const TranscriptWriter> text =
        TranscriptExport::writerFor(ExportKind::PlainText);
    QObject::connect(&chat, &TranscriptView::entryAppended, window,
                     [&history, text](const TranscriptEntry& entry) {
                         if (history.isEnabled())
                             history.append(text->entry(entry));
                     });
    QObject::connect(&history, &HistoryLog::writeFailed, &chat, [&chat](const QString& path) {
        chat.appendBareLine(QStringLiteral("historii diskuze nelze uložit do souboru %1")
                                .arg(QDir::toNativeSeparators(path)),
                            LineLook::Alert);
    });
    QObject::connect(menus.tools().openHistoryFolder, &QAction::triggered, window, [&history] {
        // Made first, so that the file manager has something to show before the first entry.
        QDir().mkpath(history.folder());
        QDesktopServices::openUrl(QUrl::fromLocalFile(history.folder()));
    });
}
