// The transcript at 1,000, 100,000 and 1,000,000 entries: what appending the first and the
// last thousand costs (each entry in an event-loop turn of its own, the worst case), the
// slowest single append, a change of the pane's width, clearing, and the memory an entry
// costs beyond its characters. Then the bounds: the heap of a store at its text cap, and what
// a flood of long lines past the caps leaves the process holding once the transcript is cleared.
#include "BenchSupport.h"
#include "gui/transcript/TranscriptView.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

namespace {

constexpr int Window = 1'000;
// Windows measured per figure; the median counts.
constexpr int Attempts = 3;
// Entries written per event-loop turn while the history is filled up: a slice's worth.
constexpr int FillTurn = 500;

// The mix of a busy channel: mostly chat, some presence and actions, the odd notice.
void addTypicalEntry(TranscriptSink& sink, qsizetype i)
{
    static const QStringList nicks = {QStringLiteral("user1"), QStringLiteral("Jana"),
                                      QStringLiteral("petr.novak"), QStringLiteral("Šárka")};
    const QString& nick = nicks.at(i % nicks.size());
    switch (i % 10) {
    case 7:
        sink.appendLine(QStringLiteral("uživatel ") + nick + QStringLiteral(" vstoupil do diskuze"),
                        LineLook::Presence, QString());
        break;
    case 8:
        sink.appendBareLine(nick + QStringLiteral(" se usmívá"), LineLook::Action);
        break;
    case 9:
        sink.appendBareLine(QStringLiteral("seznam uživatelů byl obnoven"), LineLook::Alert);
        break;
    default:
        sink.appendLine(
            QStringLiteral("ahoj, tohle je zpráva číslo %1, posílám ji všem v síti").arg(i),
            LineLook::Chat, nick);
        break;
    }
}

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

// What the system gives the process now: the figure a station left running is judged by.
qint64 residentBytes()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return qint64(resident) * sysconf(_SC_PAGESIZE);
}

double mebibytes(qint64 bytes)
{
    return double(bytes) / (1024 * 1024);
}

// Characters of every entry the store holds, in bytes: what the entries cost at the least.
qint64 textBytes(const TranscriptEntries& entries)
{
    qint64 characters = 0;
    for (qsizetype i = 0; i < entries.entryCount(); ++i) {
        const TranscriptEntry entry = entries.entryAt(i);
        characters += entry.stamp.size() + entry.nick.size() + entry.message.size();
    }
    return characters * qint64(sizeof(QChar));
}

struct Cost {
    double wallMs = 0;
    double cpuMs = 0;
};

// An entry per turn of the event loop, each laid out and painted before the next: the most an
// append can cost. The slowest single append goes into slowest.
Cost appendWindow(TranscriptView& view, qsizetype from, Cost& slowest)
{
    const Bench::Stopwatch all;
    for (qsizetype i = from; i < from + Window; ++i) {
        const Bench::Stopwatch one;
        addTypicalEntry(view, i);
        QCoreApplication::processEvents();
        slowest = {qMax(slowest.wallMs, one.wallMs()), qMax(slowest.cpuMs, one.cpuMs())};
    }
    return {all.wallMs(), all.cpuMs()};
}

// The slower of narrowing the pane and widening it again, each until it has been painted.
Cost widthChange(TranscriptView& view)
{
    Cost slowest;
    for (const int width : {300, 433}) {
        const Bench::Stopwatch timer;
        view.resize(width, view.height());
        QCoreApplication::processEvents();
        view.viewport()->repaint();
        slowest = {qMax(slowest.wallMs, timer.wallMs()), qMax(slowest.cpuMs, timer.cpuMs())};
    }
    return slowest;
}

QString wallOf(const Cost& cost)
{
    return QStringLiteral("wall %1 ms").arg(cost.wallMs, 0, 'f', 1);
}

// The thousand appends every other figure is held against: on a fresh pane, the median of a
// few tries.
Cost firstThousand(Cost& slowest)
{
    QList<double> cpu, wall;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        TranscriptView view;
        view.resize(433, 303);
        view.show();
        QCoreApplication::processEvents();
        const Cost cost = appendWindow(view, 0, slowest);
        cpu << cost.cpuMs;
        wall << cost.wallMs;
    }
    return {Bench::median(wall), Bench::median(cpu)};
}

// A pane on screen that has shown and cleared a few entries, so that what it costs with no
// entry at all, its caches of the font's glyphs included, is paid before anything is measured.
std::unique_ptr<TranscriptView> warmPane()
{
    auto view = std::make_unique<TranscriptView>();
    view->resize(433, 303);
    view->show();
    for (qsizetype i = 0; i < 50; ++i)
        addTypicalEntry(*view, i);
    QCoreApplication::processEvents();
    view->clearTranscript();
    QCoreApplication::processEvents();
    return view;
}

void measure(qsizetype entries, const Cost& first, Cost& slowest)
{
    const auto view = warmPane();
    const qint64 heapBefore = heapInUse();

    const qsizetype measured = entries > Window ? Attempts * Window : Window;
    for (qsizetype i = 0; i < entries - measured; ++i) {
        addTypicalEntry(*view, i);
        if (i % FillTurn == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    QList<double> cpu, wall;
    for (qsizetype from = entries - measured; from < entries; from += Window) {
        const Cost cost = appendWindow(*view, from, slowest);
        cpu << cost.cpuMs;
        wall << cost.wallMs;
    }
    const Cost last{Bench::median(wall), Bench::median(cpu)};
    const qint64 heap = heapInUse() - heapBefore;
    // Per entry kept: past its bounds the store has let the oldest go.
    const double perEntry =
        double(heap - textBytes(view->entries())) / double(view->entries().entryCount());
    const Cost width = widthChange(*view);
    const Bench::Stopwatch clearing;
    view->clearTranscript();
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    const Cost clear{clearing.wallMs(), clearing.cpuMs()};

    const QString at = QStringLiteral("%L1 entries: ").arg(entries);
    if (entries > Window)
        Bench::figure(at + QStringLiteral("append the last 1,000 / the first 1,000"), last.cpuMs,
                      first.cpuMs,
                      QStringLiteral("ms; wall %1 vs %2")
                          .arg(last.wallMs, 0, 'f', 1)
                          .arg(first.wallMs, 0, 'f', 1),
                      QStringLiteral("<= 1.5"));
    Bench::limit(at + QStringLiteral("width change (%1)").arg(wallOf(width)), width.cpuMs, 100,
                 QStringLiteral("ms"));
    Bench::limit(at + QStringLiteral("clear (%1)").arg(wallOf(clear)), clear.cpuMs, 100,
                 QStringLiteral("ms"));
    Bench::limit(at + QStringLiteral("memory per entry beyond its text, pane and store"), perEntry,
                 300, QStringLiteral("bytes"));
}

// The store alone: what keeping every entry costs beside its characters.
void measureStore(qsizetype entries)
{
    const qint64 heapBefore = heapInUse();
    auto store = std::make_unique<TranscriptStore>();
    const QString stamp = QStringLiteral("[14:03:27]"), nick = QStringLiteral("<Jana>");
    for (qsizetype i = 0; i < entries; ++i)
        store->append({stamp, nick,
                       QStringLiteral("ahoj, tohle je zpráva číslo %1, posílám ji všem").arg(i),
                       LineLook::Chat});
    const qint64 heap = heapInUse() - heapBefore;
    Bench::limit(
        QStringLiteral("%L1 entries: memory per entry beyond its text, store alone").arg(entries),
        double(heap - textBytes(*store)) / double(store->entryCount()), 300,
        QStringLiteral("bytes"));
}

// A chat line of the flood that made the process grow without bound: 32 KB of text.
QString longLine(qsizetype i)
{
    return QString::number(i).leftJustified(32 * 1024, QLatin1Char('x'));
}

// A store filled past its text cap holds the cap and its records, and nothing more.
void measureStoreAtCap()
{
    const qint64 heapBefore = heapInUse();
    auto store = std::make_unique<TranscriptStore>();
    const QString stamp = QStringLiteral("[14:03:27]"), nick = QStringLiteral("<Jana>");
    qsizetype appended = 0;
    // Filled twice over, so that the cap has been reached and has held since.
    do
        store->append({stamp, nick, longLine(appended++), LineLook::Chat});
    while (store->droppedCount() < store->entryCount());
    const qint64 heap = heapInUse() - heapBefore;
    // Where one entry's runs lie: six 32-bit numbers.
    const qint64 records = store->entryCount() * qint64(6 * sizeof(quint32));
    Bench::figure(QStringLiteral("store past its text cap (%L1 of %L2 lines kept): heap")
                      .arg(store->entryCount())
                      .arg(appended),
                  mebibytes(heap), mebibytes(TranscriptStore::MaxTextBytes + records),
                  QStringLiteral("MiB, against its cap and records"), QStringLiteral("<= 1.05"));
}

// A flood of long lines well past the store's cap, shown in the pane as they come, then a
// clear: the process must go back to about where it started.
void measureFloodAndClear()
{
    const auto view = warmPane();
    const qint64 atStart = residentBytes();

    // Twice what the store keeps, a few lines per turn as a flood arrives.
    const qsizetype lines =
        2 * TranscriptStore::MaxTextBytes / (32 * 1024 * qsizetype(sizeof(QChar)));
    qint64 peak = 0;
    for (qsizetype i = 0; i < lines; ++i) {
        view->appendLine(longLine(i), LineLook::Chat, QStringLiteral("flood"));
        if (i % 20 == 0) {
            QCoreApplication::processEvents();
            peak = qMax(peak, residentBytes());
        }
    }
    QCoreApplication::processEvents();
    peak = qMax(peak, residentBytes());
    view->clearTranscript();
    QCoreApplication::processEvents();
    const qint64 afterClear = residentBytes();

    Bench::figure(QStringLiteral("%L1 lines of 32 KB: most resident above start").arg(lines),
                  mebibytes(peak - atStart), mebibytes(TranscriptStore::MaxTextBytes),
                  QStringLiteral("MiB, against the store's cap"), QString());
    Bench::limit(QStringLiteral("the same, cleared: resident above start"),
                 mebibytes(afterClear - atStart), 64, QStringLiteral("MiB"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Bench::note(QStringLiteral("transcript (processor time of the GUI thread, wall time beside it; "
                               "against the first 1,000 appends or the goal's limit):"));
    // First, while the heap is young: what it gives back is the figure.
    measureFloodAndClear();
    measureStoreAtCap();
    Cost slowest;
    const Cost first = firstThousand(slowest);
    for (const qsizetype entries : {qsizetype(Window), qsizetype(100'000), qsizetype(1'000'000)}) {
        measure(entries, first, slowest);
        measureStore(entries);
    }
    Bench::limit(QStringLiteral("slowest single append at any length (%1)").arg(wallOf(slowest)),
                 slowest.cpuMs, 10, QStringLiteral("ms"));
    return 0;
}
