// The roster at 2,000 entries: 2,000 LOGOFFs taken oldest first against the same taken newest
// first. A roster whose removal costs the same wherever the entry stands gives 1.
#include "BenchSupport.h"
#include "core/protocol/Framing.h"
#include "core/protocol/NotePresenter.h"
#include "core/protocol/Station.h"
#include "core/protocol/TranscriptSink.h"
#include "gui/window/UserListView.h"

#include <QApplication>

#include <memory>

namespace {

constexpr int Stations = 2'000;
constexpr int Attempts = 5;

class NoTranscript final : public TranscriptSink {
public:
    void appendLine(const QString&, LineLook, const QString&) override { }
    void appendBareLine(const QString&, LineLook) override { }
};

class NoNotes final : public NotePresenter {
public:
    void showNote(const QString&, const QString&, std::function<void()>) override { }
};

QString addressOf(int station)
{
    return QStringLiteral("10.98.%1.%2").arg(station / 250).arg(station % 250 + 1);
}

void receive(Station& station, const char* word, const QStringList& fields)
{
    station.handleDatagram(*Framing::framePacket(Framing::commandData(word, fields)),
                           QHostAddress(fields.front()));
}

// Fills the roster, then times the LOGOFFs in the order asked for.
double logoffs(Station& station, bool oldestFirst)
{
    for (int i = 0; i < Stations; ++i)
        receive(station, "LOGON", {addressOf(i), QStringLiteral("stanice%1").arg(i), "user"});
    QCoreApplication::processEvents();
    const Bench::Stopwatch timer;
    for (int i = 0; i < Stations; ++i)
        receive(station, "LOGOFF", {addressOf(oldestFirst ? i : Stations - 1 - i)});
    QCoreApplication::processEvents();
    return timer.cpuMs();
}

void measure(const QString& what, bool withUserList)
{
    NoTranscript transcript;
    NoNotes notes;
    Station station(transcript, notes);
    std::unique_ptr<UserListView> users;
    if (withUserList) {
        users = std::make_unique<UserListView>(station.roster());
        users->show();
    }
    QList<double> oldest, newest;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        oldest << logoffs(station, true);
        newest << logoffs(station, false);
    }
    Bench::figure(
        QStringLiteral("%L1 LOGOFFs oldest first / newest first, %2").arg(Stations).arg(what),
        Bench::median(oldest), Bench::median(newest), QStringLiteral("ms"),
        QStringLiteral("<= 1.2"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Bench::note(QStringLiteral("roster at %L1 (processor time, median of %2):")
                    .arg(Stations)
                    .arg(Attempts));
    measure(QStringLiteral("roster alone"), false);
    measure(QStringLiteral("with the user list showing it"), true);
    return 0;
}
