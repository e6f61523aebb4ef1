#pragma once

#include "gui/common/SlicedJob.h"

#include <QObject>
#include <QPointer>

#include <memory>

class PagePainter;
class QPrinter;
class QWidget;
class TranscriptEntries;
class TranscriptReader;
class TranscriptSink;

// "tisk obsahu diskuze": the transcript's plain text in the font a painter on the printer
// starts with, and the orientation and copies chosen in the print dialog; 15 mm margins and
// "strana N z M" at the foot of every page.
class TranscriptPrinter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TranscriptPrinter)

public:
    TranscriptPrinter(const TranscriptEntries& entries, TranscriptSink& transcript,
                      QWidget* window);
    ~TranscriptPrinter() override;

    // Opens the print dialog; does nothing while an earlier print is still under way.
    void print();
    // The printer the dialog sets up, kept from one print to the next. Made on first use:
    // the print system's plugin costs the start-up tens of milliseconds.
    QPrinter& printer();

private:
    void printAccepted();
    void onPrinted(SlicedJob::Outcome outcome);
    void reportFailure();

    const TranscriptEntries& m_entries;
    TranscriptSink& m_transcript;
    QPointer<QWidget> m_window;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<PagePainter> m_pages;
    std::unique_ptr<TranscriptReader> m_reader;
    bool m_busy = false;
};
