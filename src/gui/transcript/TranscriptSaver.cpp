#include "TranscriptSaver.h"

#include "core/protocol/TranscriptSink.h"
#include "gui/common/AsyncMessageBox.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

const QString DialogTitle = QStringLiteral("Uložit výpis rozhovoru");

struct KindFacts {
    const char* extension;
    QString filter;
};
KindFacts factsOf(ExportKind kind)
{
    switch (kind) {
    case ExportKind::Html:
        return {"html", QStringLiteral("webová stránka (*.html)")};
    case ExportKind::Rtf:
        return {"rtf", QStringLiteral("RichText Format (*.rtf)")};
    case ExportKind::PlainText:
        break;
    }
    return {"txt", QStringLiteral("obyčejný text (*.txt)")};
}

// Permission bits do not tell (an administrator, a read-only medium): only trying does.
bool canWriteIn(const QString& folder)
{
    QTemporaryFile probe(folder + QLatin1String("/.kestrowind-XXXXXX"));
    return probe.open();
}

} // namespace

TranscriptSaver::TranscriptSaver(const TranscriptEntries& entries, TranscriptSink& transcript,
                                 QString programFolder, QWidget* window)
    : QObject(window)
    , m_entries(entries)
    , m_transcript(transcript)
    , m_programFolder(std::move(programFolder))
    , m_folder([this] { return initialFolder(m_programFolder); })
    , m_window(window)
{
}

TranscriptSaver::~TranscriptSaver() = default;

QString TranscriptSaver::proposedName(const QDateTime& now)
{
    return QLatin1String("vypis_") + QLocale::c().toString(now, QStringLiteral("ddMMyy_hh_m_ss"));
}

QString TranscriptSaver::initialFolder(const QString& programFolder)
{
    if (canWriteIn(programFolder))
        return programFolder;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString TranscriptSaver::withExtension(const QString& path, ExportKind kind)
{
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + QLatin1String(factsOf(kind).extension);
}

void TranscriptSaver::save(ExportKind kind)
{
    if (m_busy)
        return;
    m_busy = true;
    openDialog(kind, m_folder.start(), proposedName(QDateTime::currentDateTime()));
}

void TranscriptSaver::openDialog(ExportKind kind, const QString& folder, const QString& name)
{
    auto* dialog = new QFileDialog(m_window, DialogTitle, folder, factsOf(kind).filter);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // Asked below instead, once the extension is on and without a nested loop.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->selectFile(name);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, kind](const QString& chosen) { onFileChosen(kind, chosen); });
    connect(dialog, &QDialog::rejected, this, [this] { m_busy = false; });
    dialog->open();
}

void TranscriptSaver::onFileChosen(ExportKind kind, const QString& chosen)
{
    if (chosen.isEmpty()) {
        m_busy = false;
        return;
    }
    const QString path = withExtension(chosen, kind);
    m_folder.remember(path);
    if (!QFileInfo::exists(path)) {
        writeTo(kind, path);
        return;
    }
    openMessageBox(m_window, QMessageBox::Warning, DialogTitle,
                   QStringLiteral("Soubor %1 již existuje.\nChcete jej nahradit?")
                       .arg(QDir::toNativeSeparators(path)),
                   QMessageBox::Yes | QMessageBox::No, this,
                   [this, kind, path](QMessageBox::StandardButton answer) {
                       if (answer == QMessageBox::Yes) {
                           writeTo(kind, path);
                       } else {
                           const QFileInfo file(path);
                           openDialog(kind, file.path(), file.fileName());
                       }
                   });
}

void TranscriptSaver::writeTo(ExportKind kind, const QString& path)
{
    m_file = std::make_unique<QSaveFile>(path);
    m_writer = TranscriptExport::writerFor(kind);
    if (!m_file->open(QIODevice::WriteOnly) || m_file->write(m_writer->header()) < 0) {
        reportFailure(m_file->errorString());
        return;
    }
    // What the transcript holds now is saved; entries that arrive meanwhile are not.
    m_reader = std::make_unique<TranscriptReader>(m_entries);
    auto* job = new SlicedJob(
        QStringLiteral("Ukládám obsah diskuze do souboru…"), m_reader->steps(),
        [this](qsizetype step) {
            const std::optional<TranscriptEntry> entry = m_reader->at(step);
            return !entry || m_file->write(m_writer->entry(*entry)) >= 0;
        },
        m_window, this);
    connect(job, &SlicedJob::finished, this, &TranscriptSaver::onWritten);
    job->start();
}

void TranscriptSaver::onWritten(SlicedJob::Outcome outcome)
{
    const QString path = m_file->fileName();
    if (outcome == SlicedJob::Outcome::Cancelled) {
        m_file->cancelWriting();
    } else if (outcome == SlicedJob::Outcome::Done && m_file->write(m_writer->footer()) >= 0 &&
               m_file->commit()) {
        m_transcript.AddLine(QStringLiteral("obsah diskuze byl uložen do souboru ") +
                                 QDir::toNativeSeparators(path),
                             1, QStringLiteral(" "));
    } else {
        reportFailure(m_file->errorString());
        return;
    }
    m_file.reset();
    m_busy = false;
}

void TranscriptSaver::reportFailure(const QString& reason)
{
    const QString path = QDir::toNativeSeparators(m_file->fileName());
    m_file.reset();
    m_busy = false;
    openMessageBox(
        m_window, QMessageBox::Critical, DialogTitle,
        QStringLiteral("Obsah diskuze se nepodařilo uložit do souboru %1.\n%2").arg(path, reason),
        QMessageBox::Ok);
}
