// Appends a long session's worth of entries to the transcript pane and prints what a
// thousand appends cost at the start, in the middle and at the end. The pane is never
// trimmed, so the late figures should match the first one.
#include "ui/TranscriptView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTextDocument>

#include <cstdio>
#include <vector>

namespace {

constexpr int kEntries = 100'000;
constexpr int kWindow = 1'000;
constexpr int kEventsEvery = 100;

// The mix of a busy channel: mostly chat, some presence and actions, the odd bare notice.
void addTypicalEntry(TranscriptView& view, int i)
{
    static const QStringList nicks = {QStringLiteral("user1"), QStringLiteral("Jana"),
                                      QStringLiteral("petr.novak"), QStringLiteral("Šárka")};
    const QString& nick = nicks.at(i % nicks.size());
    switch (i % 10) {
    case 7:
        view.AddLine(QStringLiteral("uživatel ") + nick + QStringLiteral(" vstoupil do diskuze"), 3,
                     QString());
        break;
    case 8:
        view.AddLine(nick + QStringLiteral(" se usmívá"), 2, QStringLiteral(" "));
        break;
    case 9:
        view.AddLine(QStringLiteral("seznam uživatelů byl obnoven"), 4, QStringLiteral(" "));
        break;
    default:
        view.AddLine(
            QStringLiteral("ahoj, tohle je zpráva číslo %1, posílám ji všem v síti").arg(i), 10,
            nick);
        break;
    }
}

struct Window {
    const char* name;
    int start;
    double millis = 0.0;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);

    TranscriptView view;
    view.resize(433, 303);
    view.show();
    QCoreApplication::processEvents();

    std::vector<Window> windows = {
        {"first_1k", 0}, {"at_10k", 10'000}, {"at_50k", 50'000}, {"last_1k", kEntries - kWindow}};

    QElapsedTimer total;
    total.start();
    QElapsedTimer timer;
    for (int i = 0; i < kEntries; ++i) {
        for (const Window& w : windows) {
            if (i == w.start)
                timer.start();
        }
        addTypicalEntry(view, i);
        if ((i + 1) % kEventsEvery == 0)
            QCoreApplication::processEvents();
        for (Window& w : windows) {
            if (i + 1 == w.start + kWindow)
                w.millis = double(timer.nsecsElapsed()) / 1e6;
        }
    }
    const double totalMillis = double(total.nsecsElapsed()) / 1e6;

    // One "name milliseconds" pair per line, for run.sh to read.
    for (const Window& w : windows)
        std::printf("%s %.3f\n", w.name, w.millis);
    std::printf("total_100k %.3f\n", totalMillis);
    std::printf("ratio_last_first %.3f\n", windows.back().millis / windows.front().millis);
    std::printf("blocks %d\n", view.document()->blockCount());
    return 0;
}
