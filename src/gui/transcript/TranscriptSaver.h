#pragma once

#include "TranscriptExport.h"
#include "gui/common/RecentFolder.h"
#include "gui/common/SlicedJob.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <memory>

class QSaveFile;
class QWidget;
class TranscriptSink;

// "uložit obsah diskuze do souboru": asks for a file and writes the transcript into it. The
// file appears under its name only once it is complete, so a cancelled or failed save
// leaves no half-written file behind.
class TranscriptSaver final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TranscriptSaver)

public:
    TranscriptSaver(const TranscriptEntries& entries, TranscriptSink& transcript,
                    QString programFolder, QWidget* window);
    ~TranscriptSaver() override;

    // Opens the save dialog, in the folder of the last save of this run; does nothing while an
    // earlier save is still under way.
    void save(ExportKind kind);

    // "vypis_" and the time as ddmmyy_hh_m_ss.
    static QString proposedName(const QDateTime& now);
    // The program's folder if the user can write there, otherwise their documents.
    static QString initialFolder(const QString& programFolder);
    // The kind's extension goes on a name that has none.
    static QString withExtension(const QString& path, ExportKind kind);

private:
    void openDialog(ExportKind kind, const QString& folder, const QString& name);
    void onFileChosen(ExportKind kind, const QString& chosen);
    void writeTo(ExportKind kind, const QString& path);
    void onWritten(SlicedJob::Outcome outcome);
    void reportFailure(const QString& reason);

    const TranscriptEntries& m_entries;
    TranscriptSink& m_transcript;
    QString m_programFolder;
    RecentFolder m_folder; // the program's folder or the documents before the first save
    QPointer<QWidget> m_window;
    bool m_busy = false;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<TranscriptWriter> m_writer;
    std::unique_ptr<TranscriptReader> m_reader;
};
