// Whole transfers between two stations on loopback: offer, acceptance, TCP, and every way
// a transfer can end.
#include "TransferFakes.h"
#include "core/transfer/DiskReserve.h"
#include "core/transfer/FileReceiver.h"
#include "core/transfer/Transfer.h"
#include "core/transfer/TransferText.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <limits>
#include <optional>
#include <sys/mount.h>

namespace {
constexpr int TimeoutMs = 20000;
constexpr int StallTimeoutMs = 800;
const QString Closing = QStringLiteral("přenos souboru je kompletní nebo byl zastaven uživatelem");

constexpr qint64 MiB = 1 << 20;

QByteArray randomBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

// Station a (127.0.0.1) offers, station b (127.0.0.2) saves into its own folder.
struct Pair {
    Pair()
    {
        a.peer = &b;
        b.peer = &a;
        a.know(b.self.address, QStringLiteral("Bob"));
        b.prompts.autoSave = [this](const QString& name) { return saveDir + '/' + name; };
        QObject::connect(&a.transfers, &FileTransfers::transferStarted,
                         [this](Transfer* t) { sending = t; });
        QObject::connect(&b.transfers, &FileTransfers::transferStarted,
                         [this](Transfer* t) { receiving = t; });
    }
    QByteArray source(qint64 size)
    {
        const QByteArray bytes = randomBytes(size);
        QFile file(dir.filePath("zdroj.bin"));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size)
            qFatal("cannot write the source");
        return bytes;
    }
    void offer() { a.transfers.offerFile(b.self.address, dir.filePath("zdroj.bin")); }
    // Runs a callback once, at the first progress of the transfer a station starts next.
    // Hooked as it starts: on loopback a whole file can go before a test could look.
    void atFirstProgress(TransferStation& station, std::function<void()> act)
    {
        QObject::connect(&station.transfers, &FileTransfers::transferStarted, [act](Transfer* t) {
            QObject::connect(t, &Transfer::progressed, t, [act, once = true]() mutable {
                std::exchange(once, false) ? act() : void();
            });
        });
    }
    bool idle() const
    {
        return a.transfers.findChildren<Transfer*>().isEmpty() &&
               b.transfers.findChildren<Transfer*>().isEmpty();
    }
    QByteArray received() const
    {
        QFile file(saveDir + QStringLiteral("/zdroj.bin"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
    }

    TcpTransferNetwork network;
    TransferStation a{QStringLiteral("127.0.0.1"), network};
    TransferStation b{QStringLiteral("127.0.0.2"), network};
    QTemporaryDir dir, saved;
    QString saveDir = saved.path();
    QPointer<Transfer> sending, receiving;
};

QString failure(const QString& reason)
{
    return QStringLiteral("chyba při přenosu souboru zdroj.bin - ") + reason;
}

// How a transfer's end reads in the transcript: a failure, or a plain progress line.
RecordedLine failed(const QString& reason)
{
    return {failure(reason), LineLook::Alert};
}
RecordedLine said(const QString& line)
{
    return {line, LineLook::Status, {}, true};
}

// One reception from loopback with the test as its connected peer, built without an offer
// so that it can be given a disk of the test's own.
struct Reception {
    explicit Reception(qint64 announced)
        : receiver(transcript, network, QHostAddress::LocalHost, QStringLiteral("zdroj.bin"),
                   announced, dir.filePath(QStringLiteral("zdroj.bin")))
    {
        peer.connectToHost(QHostAddress::LocalHost, receiver.start());
        peer.waitForConnected(TimeoutMs);
    }
    QByteArray written() const
    {
        QFile file(dir.filePath(QStringLiteral("zdroj.bin")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
    }

    RecordingTranscript transcript;
    RecordingNetwork network;
    QTemporaryDir dir;
    FileReceiver receiver;
    QTcpSocket peer;
};

// A file system with room for 64 KiB, for as long as the test runs.
struct TinyFileSystem {
    ~TinyFileSystem()
    {
        if (mounted)
            ::umount2(qPrintable(dir.path()), MNT_DETACH);
    }
    QTemporaryDir dir;
    bool mounted = ::mount("tmpfs", qPrintable(dir.path()), "tmpfs", 0, "size=64k") == 0;
};
} // namespace

class tst_FileTransfer final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech)); }

    void filesArriveByteForByte_data()
    {
        QTest::addColumn<qint64>("size");
        for (qint64 size : {0, 8191, 8192, 8193, 40 * 8192, 5 << 20})
            QTest::addRow("%lld", size) << size;
    }

    void filesArriveByteForByte()
    {
        QFETCH(qint64, size);
        Pair p;
        const QByteArray bytes = p.source(size);
        p.offer();
        QTRY_VERIFY_WITH_TIMEOUT(p.idle() && p.b.transcript.lines.size() == 2, TimeoutMs);
        QCOMPARE(p.received(), bytes);
        QCOMPARE(p.a.transcript.lines,
                 (Lines{{"žádost o příjem souboru na uživatele Bob", LineLook::Chat},
                        {"spojeno, posílám soubor ..." + p.dir.filePath("zdroj.bin"),
                         LineLook::Status,
                         {},
                         true},
                        said("soubor zdroj.bin byl odeslán")}));
        QCOMPARE(
            p.b.transcript.lines,
            (Lines{{"spojeno, prijímám soubor ...", LineLook::Status, {}, true}, said(Closing)}));
    }

    // Half way, one side stops, loses its peer or its source; each side's last line says how
    // it ended for that side, with the amount (%1) that went across in megabytes.
    void transfersEndedHalfWay_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("onSender");
        QTest::addColumn<Lines>("senderEnd");
        QTest::addColumn<Lines>("receiverEnd");
        const RecordedLine broken = failed("spojení bylo přerušeno");
        const RecordedLine shortOne = failed("přijato %1 z 8 MB");
        const RecordedLine sent = said("soubor zdroj.bin byl odeslán");
        QTest::newRow("complete") << "nothing" << true << Lines{sent} << Lines{said(Closing)};
        QTest::newRow("sender cancels")
            << "cancel" << true
            << Lines{said("odesílání souboru zdroj.bin bylo zrušeno, odesláno %1 z 8 MB")}
            << Lines{shortOne};
        QTest::newRow("receiver cancels")
            << "cancel" << false << Lines{broken}
            << Lines{said("příjem souboru zdroj.bin byl zrušen, přijato %1 z 8 MB")};
        QTest::newRow("sender dropped") << "kill" << true << Lines{} << Lines{shortOne};
        QTest::newRow("receiver dropped") << "kill" << false << Lines{broken} << Lines{};
        // The sender sends what the file still has and says it was not all.
        QTest::newRow("source truncated")
            << "truncate" << true << Lines{failed("odesláno %1 z 8 MB")} << Lines{shortOne};
        QTest::newRow("source deleted") << "delete" << true << Lines{sent} << Lines{said(Closing)};
    }

    void transfersEndedHalfWay()
    {
        QFETCH(QString, how);
        QFETCH(bool, onSender);
        QFETCH(Lines, senderEnd);
        QFETCH(Lines, receiverEnd);
        Pair p;
        const QByteArray bytes = p.source(8 << 20);
        const QString source = p.dir.filePath("zdroj.bin");
        QPointer<Transfer>& side = onSender ? p.sending : p.receiving;
        bool acted = false;
        p.atFirstProgress(onSender ? p.a : p.b, [&] {
            acted = true;
            // Nobody offers a second file while one is on its way.
            p.a.transfers.offerFile(p.b.self.address, source);
            if (how == "cancel")
                side->cancel();
            else if (how == "kill")
                QMetaObject::invokeMethod(
                    side, [&] { delete side; }, Qt::QueuedConnection);
            else if (how == "truncate")
                QFile::resize(source, 100000);
            else if (how == "delete")
                QFile::remove(source);
        });
        p.offer();
        QTRY_VERIFY_WITH_TIMEOUT(acted && p.idle(), TimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(p.b.transcript.lines.size(), 1 + receiverEnd.size(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(p.a.transcript.lines.size(), 3 + senderEnd.size(), 5000);
        const QByteArray arrived = p.received();
        if (receiverEnd.value(0).text == Closing)
            QCOMPARE(arrived, bytes);
        else
            QVERIFY(arrived.size() < bytes.size() && bytes.startsWith(arrived));
        QCOMPARE(p.a.transcript.lines.value(2),
                 (RecordedLine{"další soubor nemůže být zaslán, dokud uživatel přijme nebo "
                               "odmítne předchozí",
                               LineLook::Alert,
                               {},
                               true}));
        // Both sides count the same bytes: what one sent before its close, the other got.
        const QString amount = TransferText::megabytes(arrived.size());
        for (Lines* end : {&senderEnd, &receiverEnd}) {
            for (RecordedLine& line : *end)
                line.text.replace("%1", amount);
        }
        QCOMPARE(p.a.transcript.lines.mid(3), senderEnd);
        QCOMPARE(p.b.transcript.lines.mid(1), receiverEnd);
    }

    // A cancel before anything has arrived, or after the whole file has.
    void cancelledReceptions_data()
    {
        QTest::addColumn<qint64>("arrived");
        QTest::addColumn<QString>("line");
        QTest::newRow("nothing yet")
            << 0LL << "příjem souboru zdroj.bin byl zrušen, přijato 0 MB z 0,5 MB";
        QTest::newRow("all there") << MiB / 2 << Closing;
    }

    void cancelledReceptions()
    {
        QFETCH(qint64, arrived);
        QFETCH(QString, line);
        Reception r(MiB / 2);
        r.peer.write(randomBytes(arrived));
        QTRY_COMPARE_WITH_TIMEOUT(r.receiver.done(), arrived, TimeoutMs);
        r.receiver.cancel();
        QCOMPARE(r.transcript.lines.last(), said(line));
    }

    void fullFileSystemEndsBothSides()
    {
        TinyFileSystem tiny;
        if (!tiny.mounted)
            QSKIP("cannot mount a tmpfs here (needs root)");
        Pair p;
        p.saveDir = tiny.dir.path();
        p.source(4 << 20);
        p.offer();
        QTRY_COMPARE_WITH_TIMEOUT(
            p.b.transcript.lines.value(1),
            (RecordedLine{failure("na disku dochází místo"), LineLook::Alert}), TimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(
            p.a.transcript.lines.last(),
            (RecordedLine{failure("spojení bylo přerušeno"), LineLook::Alert}), 5000);
        QVERIFY(!p.a.transfers.isSending());
    }

    // A reception stops a little past the announced size, and before the disk's reserve:
    // a hundredth of it, at most 256 MiB. The file keeps what came up to there.
    void receptionsStopAtTheirLimits_data()
    {
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<qint64>("written");
        QTest::addColumn<qint64>("volumeSize");
        QTest::addColumn<qint64>("freeAtStart");
        QTest::addColumn<QString>("lastLine");
        const QString over = failure("protistrana posílá víc, než ohlásila");
        const QString full = failure("na disku dochází místo");
        const qint64 GiB = 1024 * MiB, roomy = 512 * MiB;
        const qint64 limitOf10 = 10 + 1 + MiB, limitOf4MiB = 4 * MiB + 419430 + MiB;
        const auto row = [](const char* name, qint64 announced, qint64 sent,
                            qint64 written) -> QTestData& {
            return QTest::newRow(name) << announced << sent << written;
        };
        row("10 B, the limit", 10, limitOf10, limitOf10) << GiB << roomy << Closing;
        row("10 B, one over", 10, limitOf10 + 1, limitOf10) << GiB << roomy << over;
        row("4 MiB, one over", 4 * MiB, limitOf4MiB + 1, limitOf4MiB) << GiB << roomy << over;
        row("largest size", std::numeric_limits<qint64>::max(), 100, 100)
            << GiB << roomy << failure("přijato 0 MB z 8796093022208 MB");
        row("a hundredth left", 8 * MiB, 8 * MiB, 3 * MiB) << GiB << GiB / 100 + 3 * MiB << full;
        row("256 MiB left", 4 * MiB, 4 * MiB, MiB) << 1024 * GiB << 257 * MiB << full;
        row("below already", MiB, MiB, 0) << GiB << GiB / 100 - 1 << full;
        row("size unknown", 6 * MiB, 6 * MiB, 6 * MiB) << -1LL << -1LL << Closing;
    }

    void receptionsStopAtTheirLimits()
    {
        QFETCH(qint64, announced);
        QFETCH(qint64, sent);
        QFETCH(qint64, written);
        QFETCH(qint64, volumeSize);
        QFETCH(qint64, freeAtStart);
        QFETCH(QString, lastLine);
        Reception r(announced);
        int looks = 0;
        r.receiver.setVolumeLookup([&](const QString& path) {
            ++looks;
            return VolumeSpace{volumeSize, freeAtStart - QFileInfo(path).size()};
        });
        const QByteArray bytes = randomBytes(sent);
        r.peer.write(bytes);
        r.peer.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(r.receiver.isFinished(), TimeoutMs);
        QCOMPARE(r.transcript.lines.last().text, lastLine);
        QCOMPARE(r.written(), bytes.left(written));
        // Megabytes arrive in many reads; the disk is looked at once, and again at its end.
        QVERIFY2(looks <= 2, qPrintable(QString::number(looks)));
    }

    // A connected peer that goes quiet is given up one timeout after its last byte, give or
    // take a look; one that keeps trickling is not.
    void stalledPeersAreGivenUp_data()
    {
        QTest::addColumn<int>("trickleEveryMs");
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<bool>("givenUp");
        QTest::newRow("silent") << 0 << StallTimeoutMs * 3 / 2 << true;
        QTest::newRow("trickling") << StallTimeoutMs / 4 << StallTimeoutMs * 3 << false;
    }

    void stalledPeersAreGivenUp()
    {
        QFETCH(int, trickleEveryMs);
        QFETCH(int, deadlineMs);
        QFETCH(bool, givenUp);
        Reception r(10);
        r.receiver.setIdleTimeout(std::chrono::milliseconds(StallTimeoutMs));
        QTimer trickle;
        QObject::connect(&trickle, &QTimer::timeout, [&r] { r.peer.write("x"); });
        if (trickleEveryMs > 0)
            trickle.start(trickleEveryMs);
        // Which comes first, the end or a deadline well short of twice the timeout.
        std::optional<bool> endedByDeadline;
        QTimer::singleShot(deadlineMs, [&] { endedByDeadline = r.receiver.isFinished(); });
        QTRY_VERIFY_WITH_TIMEOUT(endedByDeadline.has_value(), TimeoutMs);
        QCOMPARE(*endedByDeadline, givenUp);
        if (givenUp)
            QCOMPARE(r.transcript.lines.last().text, failure("protistrana neodpovídá"));
    }

    // Transfers that never get going end in time, on both sides.
    void transfersThatNeverStart_data()
    {
        QTest::addColumn<bool>("portClosed");
        QTest::addColumn<QString>("senderLine");
        QTest::newRow("source gone") << false << failure("soubor nelze přečíst");
        QTest::newRow("port closed") << true << failure("spojení se nepodařilo navázat");
    }

    void transfersThatNeverStart()
    {
        QFETCH(bool, portClosed);
        QFETCH(QString, senderLine);
        Pair p;
        p.source(100);
        p.b.transfers.setIdleTimeout(std::chrono::milliseconds(200));
        p.offer();
        if (portClosed) {
            // Before the real acceptance comes, one for a port nobody listens on.
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            const QString port = QString::number(closed.serverPort());
            closed.close();
            p.a.receive("ACCEPTFILE", {"127.0.0.2", port, "x"}, "127.0.0.2");
        } else {
            QFile::remove(p.dir.filePath("zdroj.bin"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(p.a.transcript.lines.value(1).text, senderLine, TimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(p.b.transcript.lines.value(0).text,
                                  failure("protistrana neodpovídá"), TimeoutMs);
    }

    void onlyTheAcceptedAddressMayConnect()
    {
        Pair p;
        p.b.peer = nullptr;
        p.b.receive("SENDFILE", {"127.0.0.1", "Alice", "4", "zdroj.bin"}, "127.0.0.1");
        const quint16 port = p.b.sent.at(0).data.split('\v').at(1).toUShort();
        QTcpSocket stranger;
        stranger.bind(QHostAddress("127.0.0.2"));
        stranger.connectToHost(QHostAddress::LocalHost, port);
        QTRY_COMPARE_WITH_TIMEOUT(stranger.state(), QAbstractSocket::UnconnectedState, TimeoutMs);
        QVERIFY(p.b.transcript.lines.isEmpty());
        QTcpSocket sender;
        sender.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(sender.waitForConnected(TimeoutMs));
        sender.write("data");
        sender.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(p.idle(), TimeoutMs);
        QCOMPARE(p.received(), QByteArray("data"));
        QCOMPARE(p.b.transcript.lines.last().text, Closing);
    }

    // A second offer accepted while a file is arriving gets a socket and a file of its own.
    void secondReceptionLeavesTheFirstRunning()
    {
        Pair p;
        p.b.peer = nullptr;
        const auto acceptedPort = [&p](int answer) {
            return p.b.sent.at(answer).data.split('\v').at(1).toUShort();
        };
        p.b.receive("SENDFILE", {"127.0.0.1", "Alice", "8", "zdroj.bin"}, "127.0.0.1");
        QTcpSocket first;
        first.connectToHost(QHostAddress::LocalHost, acceptedPort(0));
        QVERIFY(first.waitForConnected(TimeoutMs));
        first.write("1234");
        QTRY_COMPARE_WITH_TIMEOUT(p.received(), QByteArray("1234"), TimeoutMs);

        p.b.receive("SENDFILE", {"127.0.0.3", "Carol", "5", "druhy.bin"}, "127.0.0.3");
        QTcpSocket second;
        second.bind(QHostAddress("127.0.0.3"));
        second.connectToHost(QHostAddress::LocalHost, acceptedPort(1));
        QVERIFY(second.waitForConnected(TimeoutMs));
        second.write("druhy");
        second.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(p.b.transfers.findChildren<Transfer*>().size(), 1, TimeoutMs);

        first.write("5678");
        first.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(p.idle(), TimeoutMs);
        QCOMPARE(p.received(), QByteArray("12345678"));
        QFile other(p.saveDir + QStringLiteral("/druhy.bin"));
        QVERIFY(other.open(QIODevice::ReadOnly));
        QCOMPARE(other.readAll(), QByteArray("druhy"));
        QCOMPARE(p.b.transcript.lines.count(RecordedLine{Closing, LineLook::Status, {}, true}), 2);
    }
};

QTEST_GUILESS_MAIN(tst_FileTransfer)
#include "tst_filetransfer.moc"
