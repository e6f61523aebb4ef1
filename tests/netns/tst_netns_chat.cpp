// Stations on one bridged LAN talk: chat lines and actions reach everybody, a new nick is
// announced, a private note reaches only the station it was sent to, and so does a file.
#include "NetnsLab.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int Stations = 3;
constexpr int TimeoutMs = 15000;
const QStringList Nicks{QStringLiteral("Jana"), QStringLiteral("Petr"), QStringLiteral("Zdeněk")};

// A stamp is "[hh:mm:ss]"; the tests compare what follows it.
bool hasLine(const StationProcess& station, const QString& expected, bool stamped)
{
    static const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\]"));
    for (QString line : station.lines()) {
        const bool hasStamp = stamp.match(line).hasMatch();
        if (hasStamp)
            line.remove(stamp);
        if (hasStamp == stamped && line == expected)
            return true;
    }
    return false;
}

} // namespace

class TstNetnsChat final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_lab = std::make_unique<NetnsLab>(QStringLiteral(KW_NETNS_PREFIX), Stations);
        if (!m_lab->available())
            QSKIP(qPrintable(m_lab->reason()));
        for (int i = 1; i <= Stations; ++i) {
            m_stations[i - 1] = std::make_unique<StationProcess>(
                m_lab->namespaceName(i), KW_STATION_PROBE, QStringList(), Nicks[i - 1]);
            QVERIFY(station(i).start());
        }
        for (int i = 1; i <= Stations; ++i)
            QTRY_VERIFY2_WITH_TIMEOUT(station(i).roster().size() == Stations,
                                      qPrintable(station(i).describe()), TimeoutMs);
    }

    void cleanupTestCase()
    {
        for (auto& station : m_stations)
            station.reset();
        m_lab.reset();
    }

    void chatLineReachesEveryStationUnderTheSendersNick()
    {
        station(1).writeLine(QStringLiteral("say ahoj všichni"));
        for (int i = 1; i <= Stations; ++i)
            QTRY_VERIFY2_WITH_TIMEOUT(hasLine(station(i), "<Jana>ahoj všichni", true),
                                      qPrintable(station(i).describe()), TimeoutMs);
    }

    void actionReachesEveryStationWithoutStamp()
    {
        station(2).writeLine(QStringLiteral("say /me mává"));
        for (int i = 1; i <= Stations; ++i)
            QTRY_VERIFY2_WITH_TIMEOUT(hasLine(station(i), "Petr mává", false),
                                      qPrintable(station(i).describe()), TimeoutMs);
    }

    void newNickIsAnnouncedToThePeers()
    {
        station(1).writeLine(QStringLiteral("rename Jana2"));
        for (int i = 2; i <= Stations; ++i) {
            QTRY_VERIFY2_WITH_TIMEOUT(hasLine(station(i), "uživatel Jana je nyní Jana2", true),
                                      qPrintable(station(i).describe()), TimeoutMs);
            QVERIFY(station(i).roster().join(';').contains("|Jana2"));
        }
    }

    void privateNoteReachesOnlyItsTarget()
    {
        station(1).writeLine(QStringLiteral("alert %1 přijď").arg(m_lab->address(2)));
        const QString box = QStringLiteral("zpráva od: Jana2 [%1]|přijď").arg(m_lab->address(1));
        QTRY_VERIFY2_WITH_TIMEOUT(station(2).latest(QStringLiteral("BOX")) == box,
                                  qPrintable(station(2).describe()), TimeoutMs);
        // A broadcast sent after the note arrives after it too; by then no note came to 3.
        station(1).writeLine(QStringLiteral("say konec"));
        QTRY_VERIFY2_WITH_TIMEOUT(hasLine(station(3), "<Jana2>konec", true),
                                  qPrintable(station(3).describe()), TimeoutMs);
        QCOMPARE(station(3).seen("BOX") + station(1).seen("BOX"), 0);
    }

    void fileArrivesByteForByte()
    {
        // Not in /tmp: the file dialogs would look into every file there.
        QTemporaryDir dir(QDir::current().filePath(QStringLiteral("netns-file-XXXXXX")));
        QFile source(dir.filePath(QStringLiteral("zpráva.bin")));
        QVERIFY(source.open(QIODevice::WriteOnly));
        QByteArray bytes(300000, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()),
                                              bytes.size() / 4);
        source.write(bytes);
        source.close();
        station(1).writeLine(
            QStringLiteral("sendfile %1 %2").arg(m_lab->address(2), source.fileName()));
        QTRY_VERIFY2_WITH_TIMEOUT(
            station(2)
                .latest(QStringLiteral("BOX"))
                .startsWith("příjem souboru|uživatel Jana2 vám zasílá soubor: \\nzpráva.bin"),
            qPrintable(station(2).describe()), TimeoutMs);
        station(2).writeLine(QStringLiteral("acceptfile ") +
                             dir.filePath(QStringLiteral("přijato.bin")));
        QTRY_VERIFY2_WITH_TIMEOUT(
            hasLine(station(2), "přenos souboru je kompletní nebo byl zastaven uživatelem", false),
            qPrintable(station(2).describe()), TimeoutMs);
        QFile arrived(dir.filePath(QStringLiteral("přijato.bin")));
        QVERIFY(arrived.open(QIODevice::ReadOnly));
        QVERIFY(arrived.readAll() == bytes);
    }

private:
    StationProcess& station(int i) { return *m_stations[i - 1]; }

    std::unique_ptr<NetnsLab> m_lab;
    std::unique_ptr<StationProcess> m_stations[Stations];
};

QTEST_GUILESS_MAIN(TstNetnsChat)
#include "tst_netns_chat.moc"
