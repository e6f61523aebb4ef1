#include "TranscriptPrinter.h"

#include "TranscriptExport.h"
#include "core/protocol/TranscriptSink.h"
#include "gui/common/AsyncMessageBox.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace {
// Clear of what any printer cannot reach, and room for a thumb on the page.
constexpr qreal MarginMillimetres = 15;
} // namespace

// Puts lines of plain text down the pages, wrapping long ones at the text's width, with the
// page number at the foot of every page. A counting pass goes first and only measures, so
// that each footer can tell how many pages there are.
class PagePainter final {
public:
    explicit PagePainter(QPrinter& printer)
        : m_printer(printer)
    {
    }

    bool begin()
    {
        if (!m_painter.begin(&m_printer))
            return false;
        m_footerHeight = QFontMetricsF(m_painter.font(), &m_printer).height();
        // A blank line keeps the text off the footer.
        m_bodyHeight = m_printer.height() - 2 * m_footerHeight;
        return true;
    }
    bool end()
    {
        if (m_printing)
            drawFooter();
        return m_painter.end() && m_printer.printerState() != QPrinter::Error;
    }
    void abort()
    {
        m_printer.abort();
        m_painter.end();
    }

    // From the counting pass to the pages themselves.
    void startPrinting()
    {
        m_pageCount = m_page;
        m_printing = true;
        m_page = 1;
        m_y = 0;
    }
    // Another copy of the whole document, numbered from one again.
    bool nextCopy()
    {
        if (!newPage())
            return false;
        m_page = 1;
        return true;
    }

    bool line(const QString& text)
    {
        QTextLayout layout(text, m_painter.font(), &m_printer);
        // A word longer than the line (a link, a row of characters) is broken too, rather
        // than run off the paper.
        QTextOption wrapping;
        wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(wrapping);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(m_printer.width());
        layout.endLayout();
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (m_y > 0 && m_y + line.height() > m_bodyHeight) {
                if (m_printing && !newPage())
                    return false;
                ++m_page;
                m_y = 0;
            }
            if (m_printing)
                line.draw(&m_painter, QPointF(0, m_y - line.y()));
            m_y += line.height();
        }
        return true;
    }

private:
    bool newPage()
    {
        drawFooter();
        m_y = 0;
        return m_printer.newPage();
    }
    void drawFooter()
    {
        // Should the transcript have lost entries since they were counted, the last pages
        // still never claim fewer pages than there are.
        const QString text =
            QStringLiteral("strana %1 z %2").arg(m_page).arg(std::max(m_page, m_pageCount));
        m_painter.drawText(
            QRectF(0, m_printer.height() - m_footerHeight, m_printer.width(), m_footerHeight),
            Qt::AlignHCenter | Qt::AlignBottom, text);
    }

    QPrinter& m_printer;
    QPainter m_painter;
    qreal m_footerHeight = 0;
    qreal m_bodyHeight = 0;
    qreal m_y = 0;
    int m_page = 1;
    int m_pageCount = 0;
    bool m_printing = false;
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
    if (!m_printer) {
        m_printer = std::make_unique<QPrinter>();
        m_printer->setPageMargins(
            QMarginsF(MarginMillimetres, MarginMillimetres, MarginMillimetres, MarginMillimetres),
            QPageLayout::Millimeter);
    }
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
    // One pass that counts the pages, then one per copy.
    auto* job = new SlicedJob(
        QStringLiteral("Tisknu obsah diskuze…"), count * (1 + copies),
        [this, count](qsizetype step) {
            const qsizetype pass = step / count;
            const qsizetype index = step % count;
            if (index == 0 && pass > 0) {
                if (pass == 1)
                    m_pages->startPrinting();
                else if (!m_pages->nextCopy())
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
