// Finding in a transcript of 1,000,000 entries, as the find bar does it: the first match of a
// query whose only match is the oldest entry (the whole store searched, then the entry brought
// into the pane), the longest the window waits for any slice of the search, and a full count of
// a common word. The baseline is Qt's own case-insensitive search over the same entries, in one
// blocking loop, measured in the same run.
#include "BenchSupport.h"
#include "gui/transcript/TranscriptFinder.h"
#include "gui/transcript/TranscriptView.h"

#include <QApplication>
#include <QStringList>

namespace {

constexpr qsizetype Entries = 1'000'000;
constexpr int FillTurn = 500;
constexpr int Attempts = 5;

// The mix of a busy channel, short enough for the store to keep a million, and once, first
// of all, the line the user looks for.
void fill(TranscriptView& view)
{
    static const QStringList nicks = {QStringLiteral("user1"), QStringLiteral("Jana"),
                                      QStringLiteral("petr.novak"), QStringLiteral("Šárka")};
    view.appendLine(QStringLiteral("kde je ten Žlutý kůň?"), LineLook::Chat, nicks.at(1));
    for (qsizetype i = 1; i < Entries; ++i) {
        const QString& nick = nicks.at(i % nicks.size());
        if (i % 10 == 7)
            view.appendBareLine(nick + QStringLiteral(" se usmívá"), LineLook::Action);
        else
            view.appendLine(QStringLiteral("ahoj, zpráva číslo %1 všem v síti").arg(i),
                            LineLook::Chat, nick);
        if (i % FillTurn == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
}

// Qt's case-insensitive search over every entry, the way a plain loop would do it.
double baselineMs(const TranscriptStore& store, const QString& query)
{
    QList<double> times;
    qsizetype found = 0;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const Bench::Stopwatch clock;
        for (qsizetype i = store.entryCount() - 1; i >= 0; --i)
            found += store.textAt(i).indexOf(query, 0, Qt::CaseInsensitive) >= 0 ? 1 : 0;
        times << clock.cpuMs();
    }
    if (found != Attempts)
        Bench::note(QStringLiteral("  (the baseline found the line %1 times)").arg(found));
    return Bench::median(times);
}

// Processor time of the GUI thread, wall time beside it: on a busy machine the wall time
// counts the other programs too.
struct Cost {
    double cpuMs = 0;
    double wallMs = 0;
};

QString wallOf(const Cost& cost)
{
    return QStringLiteral("wall %1 ms").arg(cost.wallMs, 0, 'f', 1);
}

struct Search {
    Cost firstShown; // from the query to its first match selected in the pane
    Cost longestTurn; // the longest any turn of the event loop took meanwhile
    Cost all; // until every entry was searched
    qsizetype count = 0;
};

// As the bar does it: the query set, then the event loop turning until the search ends.
Search search(TranscriptView& view, const QString& query,
              std::chrono::milliseconds budget = TranscriptFinder::DefaultSliceBudget)
{
    TranscriptFinder finder(view.store());
    finder.setSliceBudget(budget);
    Search result;
    const Bench::Stopwatch clock;
    bool shown = false;
    QObject::connect(&finder, &TranscriptFinder::currentChanged, &view, [&] {
        if (const auto match = finder.current(); match && !shown) {
            view.showMatch(match->serial, match->occurrence);
            result.firstShown = {clock.cpuMs(), clock.wallMs()};
            shown = true;
        }
    });
    Bench::Stopwatch turn;
    const auto noteTurn = [&] {
        if (turn.cpuMs() > result.longestTurn.cpuMs)
            result.longestTurn = {turn.cpuMs(), turn.wallMs()};
    };
    view.setHighlight(query);
    finder.setQuery(query);
    noteTurn();
    while (finder.searching()) {
        turn.restart();
        QCoreApplication::processEvents();
        noteTurn();
    }
    result.all = {clock.cpuMs(), clock.wallMs()};
    result.count = finder.count();
    view.setHighlight({});
    view.returnToNewest();
    QCoreApplication::processEvents();
    return result;
}

Cost median(const QList<Cost>& costs)
{
    QList<double> cpu, wall;
    for (const Cost& cost : costs) {
        cpu << cost.cpuMs;
        wall << cost.wallMs;
    }
    return {Bench::median(cpu), Bench::median(wall)};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TranscriptView view;
    view.resize(433, 303);
    view.show();
    fill(view);
    Bench::note(
        QStringLiteral("find in %L1 entries (processor time of the GUI thread; against Qt's "
                       "case-insensitive search of the same entries, or the limit):")
            .arg(view.store().entryCount()));

    const QString oldest = QStringLiteral("zluty kun");
    const double baseline = baselineMs(view.store(), QStringLiteral("Žlutý kůň"));
    QList<Cost> first, longest, all, whole;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const Search found = search(view, oldest);
        if (found.count != 1)
            Bench::note(QStringLiteral("  (found %1 matches, not 1)").arg(found.count));
        first << found.firstShown;
        longest << found.longestTurn;
        all << found.all;
        whole << search(view, oldest, std::chrono::hours(1)).all;
    }
    const QString ms = QStringLiteral("ms");
    Bench::figure(QStringLiteral("\"zluty kun\", in the oldest entry only: searched in one go"),
                  median(whole).cpuMs, baseline, ms, QString());
    Bench::limit(
        QStringLiteral("the same in slices: first match shown (%1)").arg(wallOf(median(first))),
        median(first).cpuMs, 100, ms);
    Bench::limit(QStringLiteral("the same: longest turn (%1)").arg(wallOf(median(longest))),
                 median(longest).cpuMs, 100, ms);

    const Search common = search(view, QStringLiteral("AHOJ"));
    Bench::limit(QStringLiteral("\"AHOJ\" (%L1 matches): first shown (%2)")
                     .arg(common.count)
                     .arg(wallOf(common.firstShown)),
                 common.firstShown.cpuMs, 100, ms);
    Bench::limit(QStringLiteral("the same: longest turn (%1; all in %2 ms)")
                     .arg(wallOf(common.longestTurn))
                     .arg(common.all.cpuMs, 0, 'f', 0),
                 common.longestTurn.cpuMs, 100, ms);
    return 0;
}
