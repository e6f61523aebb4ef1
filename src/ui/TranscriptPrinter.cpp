#include "TranscriptPrinter.h"

#include "AsyncMessageBox.h"
#include "TranscriptExport.h"
#include "protocol/TranscriptSink.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>

// Puts lines of plain text down the pages, wrapping long ones at the page's width.
class PagePainter final {
public:
    explicit PagePainter(QPrinter& printer)
        : m_printer(printer)
    {
    }

    bool begin() { return m_painter.begin(&m_printer); }
    bool end() { return m_painter.end() && m_printer.printerState() != QPrinter::Error; }
    void abort()
    {
        m_printer.abort();
        m_painter.end();
    }

    bool newPage()
    {
        m_y = 0;
        return m_printer.newPage();
    }

    bool line(const QString& text)
    {
        QTextLayout layout(text, m_painter.font(), &m_printer);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(m_printer.width());
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (m_y > 0 && m_y + line.height() > m_printer.height() && !newPage())
                return false;
            line.draw(&m_painter, QPointF(0, m_y - line.y()));
            m_y += line.height();
        }
        return true;
    }

private:
    QPrinter& m_printer;
    QPainter m_painter;
    qreal m_y = 0;
};

TranscriptPrinter::TranscriptPrinter(const TranscriptEntries& entries, TranscriptSink& transcript,
                                     QWidget* window)
    : QObject(window)
    , m_entries(entries)
    , m_transcript(transcript)
    , m_window(window)
{
}

TranscriptPrinter::~TranscriptPrinter() = default;

QPrinter& TranscriptPrinter::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    return *m_printer;
}

void TranscriptPrinter::print()
{
    if (m_busy)
        return;
    m_busy = true;
    auto* dialog = new QPrintDialog(&printer(), m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Everything is printed, so there is no range to choose.
    dialog->setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    connect(dialog, &QDialog::accepted, this, &TranscriptPrinter::printAccepted);
    connect(dialog, &QDialog::rejected, this, [this] { m_busy = false; });
    dialog->open();
}

void TranscriptPrinter::printAccepted()
{
    m_pages = std::make_unique<PagePainter>(*m_printer);
    if (!m_pages->begin()) {
        reportFailure();
        return;
    }
    // A printer that cannot make copies itself gets the document as many times.
    const qsizetype copies = m_printer->supportsMultipleCopies() ? 1 : m_printer->copyCount();
    m_reader = std::make_unique<TranscriptReader>(m_entries);
    const qsizetype count = m_reader->steps();
    auto* job = new SlicedJob(
        QStringLiteral("Tisknu obsah diskuze…"), count * copies,
        [this, count](qsizetype step) {
            const qsizetype index = step % count;
            if (index == 0 && step > 0) {
                if (!m_pages->newPage())
                    return false;
                m_reader->rewind();
            }
            const std::optional<TranscriptEntry> entry = m_reader->at(index);
            if (!entry)
                return true;
            const QStringList lines = TranscriptExport::entryLines(*entry);
            return std::all_of(lines.cbegin(), lines.cend(),
                               [this](const QString& line) { return m_pages->line(line); });
        },
        m_window, this);
    connect(job, &SlicedJob::finished, this, &TranscriptPrinter::onPrinted);
    job->start();
}

void TranscriptPrinter::onPrinted(SlicedJob::Outcome outcome)
{
    if (outcome == SlicedJob::Outcome::Cancelled) {
        m_pages->abort();
    } else if (outcome == SlicedJob::Outcome::Done && m_pages->end()) {
        m_transcript.AddLine(QStringLiteral("obsah diskuze byl vytištěn"), 1, QStringLiteral(" "));
    } else {
        reportFailure();
        return;
    }
    m_pages.reset();
    m_busy = false;
}

void TranscriptPrinter::reportFailure()
{
    m_pages.reset();
    m_busy = false;
    openMessageBox(m_window, QMessageBox::Critical, QStringLiteral("tisk obsahu diskuze"),
                   QStringLiteral("Obsah diskuze se nepodařilo vytisknout: tiskárna ohlásila "
                                  "chybu nebo není dostupná."),
                   QMessageBox::Ok);
}
