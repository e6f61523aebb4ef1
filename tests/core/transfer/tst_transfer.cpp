// Files between stations: the handshake over crafted packets, whole transfers on loopback.
#include "FakeStation.h"
#include "core/transfer/DiskReserve.h"
#include "core/transfer/FileReceiver.h"
#include "core/transfer/Transfer.h"
#include "core/transfer/TransferText.h"

#include <QPointer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <sys/mount.h>

namespace {
constexpr int TimeoutMs = 20000;
constexpr qint64 MiB = 1 << 20;
// By the stations' own clocks, which only the test moves.
constexpr std::chrono::milliseconds IdleTimeout{48};
const QString Closing = QStringLiteral("přenos souboru je kompletní nebo byl zastaven uživatelem");
const QString Peer = QStringLiteral("10.0.0.5"); // a listed user, offered files
const QString Source = QStringLiteral("10.0.0.9"); // where an unlisted user's offers come from

QByteArray randomBytes(qint64 size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    return bytes;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
}

RecordedLine failed(const QString& reason)
{
    return {QStringLiteral("chyba při přenosu souboru zdroj.bin - ") + reason, LineLook::Alert};
}
RecordedLine said(const QString& line)
{
    return {line, LineLook::Status, {}, true};
}

struct Offers : FakeStation {
    Offers()
        : FakeStation(QStringLiteral("10.0.0.1"), QStringLiteral("user1"))
    {
        know(Peer, QStringLiteral("Petr"));
        know(QStringLiteral("10.0.0.6"), QStringLiteral("Eva"));
    }
    void offerFrom(const QString& from, const QString& name = QStringLiteral("zprava.doc"),
                   const QString& size = QStringLiteral("254120"))
    {
        receive("SENDFILE", {QStringLiteral("10.0.0.4"), QStringLiteral("Jana"), size, name}, from);
    }
    QString file(const QString& name, qint64 size = 10)
    {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.resize(size);
        return file.fileName();
    }
    QStringList started() const
    {
        QStringList files;
        for (const Transfer* transfer : transfers.findChildren<Transfer*>())
            files << transfer->fileLabel();
        return files;
    }
    QTemporaryDir dir;
};

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
    bool idle() const
    {
        return a.transfers.findChildren<Transfer*>().isEmpty() &&
               b.transfers.findChildren<Transfer*>().isEmpty();
    }
    QByteArray received(const QString& name = QStringLiteral("zdroj.bin")) const
    {
        return contents(saveDir + '/' + name);
    }

    TcpTransferNetwork network;
    FakeStation a{QStringLiteral("127.0.0.1"), QStringLiteral("Alice"), &network};
    FakeStation b{QStringLiteral("127.0.0.2"), QStringLiteral("Bob"), &network};
    QTemporaryDir dir, saved;
    QString saveDir = saved.path();
    QPointer<Transfer> sending, receiving;
};

// One reception with the test as its peer, its clock and its disk.
struct Reception {
    explicit Reception(qint64 announced)
        : receiver(transcript, network, QHostAddress::LocalHost, QStringLiteral("zdroj.bin"),
                   announced, dir.filePath(QStringLiteral("zdroj.bin")))
    {
        receiver.setClock([this] { return now; });
        peer.connectToHost(QHostAddress::LocalHost, receiver.start());
        peer.waitForConnected(TimeoutMs);
    }

    qint64 now = 0;
    RecordingTranscript transcript;
    RecordingNetwork network;
    QTemporaryDir dir;
    FileReceiver receiver;
    QTcpSocket peer;
};
} // namespace

class tst_Transfer final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Czech)); }

    // An answer goes where the offer came from; a refusal repeats the size as read, not as sent.
    void answersGoWhereTheOfferCameFrom()
    {
        const std::tuple<bool, bool, QString, QByteArray> cases[] = {
            {false, false, "254120", "254120"},
            {true, false, "  7", "7"},
            {true, true, "12abc", {}},
            {false, false, "velký", "0"},
            {false, false, "-5", "0"},
            {false, false, "3221225472", "3221225472"},
            {false, false, QString(32000, '9'), "9223372036854775807"}};
        for (const auto& [yes, saved, size, repeated] : cases) {
            Offers f;
            f.offerFrom(Source, QStringLiteral("zprava.doc"), size);
            QCOMPARE(f.prompts.questions.size(), 1);
            f.prompts.questions[0].answer(yes);
            QCOMPARE(f.prompts.saveDialogs.size(), yes ? 1 : 0);
            if (yes) {
                QCOMPARE(f.prompts.saveDialogs[0].proposed, QStringLiteral("zprava.doc"));
                f.prompts.saveDialogs[0].choose(saved ? f.dir.filePath("x") : QString());
            }
            QCOMPARE(f.sent.size(), 1);
            QCOMPARE(f.sent[0].to, QStringList{Source});
            QVERIFY2(saved ? f.sent[0].data.startsWith("ACCEPTFILE\t10.0.0.1\v") &&
                                 f.sent[0].data.endsWith("\vzprava.doc\r\n")
                           : f.sent[0].data == "REFUSEFILE\tuser1\v" + repeated + "\r\n",
                     f.sent[0].data.constData());
            QCOMPARE(f.transfers.openQuestions(), 0);
            f.prompts.questions[0].answer(false);
            QCOMPARE(f.sent.size(), 1);
        }
    }

    // Only the address an offer went to can answer it, and only for itself.
    void onlyTheAddressOfferedCanAnswer()
    {
        Offers f;
        const QString first = f.file("a.txt", qint64(3) << 30), second = f.file("b.txt");
        f.transfers.offerFile("10.0.0.5", first);
        f.transfers.offerFile("10.0.0.6", second);
        f.transfers.offerFile("10.0.0.7", second); // not in the list: nothing
        QCOMPARE(f.sent, (QList<SentPacket>{
                             {"SENDFILE\t10.0.0.1\vuser1\v3221225472\va.txt\r\n", {"10.0.0.5"}},
                             {"SENDFILE\t10.0.0.1\vuser1\v10\vb.txt\r\n", {"10.0.0.6"}}}));
        f.receive("ACCEPTFILE", {"10.0.0.7", "4000", "a.txt"}); // a stranger
        f.receive("ACCEPTFILE", {"10.0.0.5", "4000", "a.txt"}, "10.0.0.7"); // naming another
        f.receive("ACCEPTFILE", {"10.0.0.5", "0", "a.txt"}); // no port
        f.receive("REFUSEFILE", {"Cizí", "10"}, "10.0.0.7");
        QVERIFY(f.network.connects.isEmpty());
        QCOMPARE(f.transfers.offers().count(), 2);
        f.receive("ACCEPTFILE", {"10.0.0.6", "4001", "b.txt"});
        f.receive("REFUSEFILE", {"Petr", "10"}, "10.0.0.5");
        f.receive("ACCEPTFILE", {"10.0.0.5", "4002", "a.txt"}); // refused already
        QCOMPARE(f.network.connects,
                 (QList<std::pair<QHostAddress, quint16>>{{QHostAddress("10.0.0.6"), 4001}}));
        QCOMPARE(f.started(), QStringList{second});
        QCOMPARE(f.transcript.lines.last(),
                 RecordedLine("uživatel Petr odmítl přijmout soubor", LineLook::Action, {}, true));
        QCOMPARE(f.transfers.offers().count(), 0);
    }

    // An answer takes the offer whose name (or a long one's start) or size it repeats.
    void anAnswerTakesTheOfferItRepeats()
    {
        for (const QString& stem : {QString(), QString(OfferBook::RepeatedNameLength, 'n')}) {
            Offers f;
            for (int size = 1; size <= 3; ++size)
                f.transfers.offerFile(Peer, f.file(QChar('a' + size - 1) + stem, size));
            f.receive("REFUSEFILE", {"Petr", "2"}, Peer);
            f.receive("ACCEPTFILE",
                      {Peer, "4000", ("a" + stem).left(OfferBook::RepeatedNameLength)});
            QCOMPARE(f.started(), QStringList{f.dir.filePath("a" + stem)});
            QCOMPARE(f.transfers.offers().count(), 1);
        }
    }

    // A queue whose user leaves ends: its offer would never be answered, and a new queue to
    // the user who comes back would wait behind it.
    void aQueueEndsWithItsUser()
    {
        Offers f;
        const QStringList files{f.file("a"), f.file("b"), f.file("c")};
        f.transfers.offerFiles(Peer, files);
        f.receive("LOGOFF", {Peer});
        QCOMPARE(f.transcript.lines.last().text,
                 "uživatel 10.0.0.5 odešel, soubory ve frontě (2) nebudou zaslány");
        f.know(Peer, QStringLiteral("Petr"));
        f.transfers.offerFiles(Peer, files);
        QCOMPARE(f.sent.size(), 2);
        QCOMPARE(f.transfers.queuedFiles(Peer), 2);
    }

    // Broadcast offers are not asked; three questions at most; an acceptance stays short.
    void offersAreAnsweredWithinBounds()
    {
        Offers f;
        for (const char* nobody : {"255.255.255.255", "10.0.0.255", "224.0.0.1", "0.0.0.0"})
            f.offerFrom(nobody);
        QVERIFY(f.prompts.questions.isEmpty() && f.sent.isEmpty());
        for (int i = 0; i < 4; ++i)
            f.offerFrom(Source, QStringLiteral("<b>f%1%2</b>").arg(i) + QString(32000, 'n'));
        QCOMPARE(f.prompts.questions.size(), FileTransfers::MaxOpenQuestions);
        QCOMPARE(f.sent, QList<SentPacket>(1, {"REFUSEFILE\tuser1\v254120\r\n", {Source}}));
        // One pass over both arguments: the "%2" in the name stays.
        QVERIFY(f.transcript.lines.value(0).text.startsWith("soubor <b>f3%2</b>nnn"));
        f.prompts.autoSave = [&f](const QString&) { return f.dir.filePath("x"); };
        f.prompts.questions[0].answer(true);
        QVERIFY(f.sent.last().data.startsWith("ACCEPTFILE\t") && f.sent.last().data.size() < 200);
    }

    void offeredNamesNeverChooseAFolder()
    {
        const std::pair<QString, QString> cases[] = {{"zpráva.doc", "zpráva.doc"},
                                                     {"../../x", "x"},
                                                     {"C:\\x", "x"},
                                                     {"C:x", "x"},
                                                     {"/etc/passwd", "passwd"},
                                                     {"", "soubor"},
                                                     {"dir/", "soubor"},
                                                     {"..", "soubor"},
                                                     {"...bashrc", "bashrc"},
                                                     {"a\x01\tb\x7F\r\n.txt", "ab.txt"}};
        for (const auto& [offered, proposed] : cases)
            QCOMPARE(TransferText::proposedSaveName(offered), proposed);
        QCOMPARE(TransferText::proposedSaveName(QString(300, 'n')), QString(120, 'n'));
    }

    // Whole files, or one side stops half way; each side says how, with the amount (%1).
    void transfersEnd_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("onSender");
        QTest::addColumn<Lines>("senderEnd");
        QTest::addColumn<Lines>("receiverEnd");
        const RecordedLine broken = failed("spojení bylo přerušeno");
        const RecordedLine shortOne = failed("přijato %1 z 8 MB");
        const Lines sent{said("soubor zdroj.bin byl odeslán")}, whole{said(Closing)};
        for (const qint64 size : {0, 8191, 8192, 8193, 40 * 8192, 5 << 20})
            QTest::addRow("whole, %lld B", size) << size << "" << true << sent << whole;
        const auto row = [](const char* name, const char* how, bool onSender) -> QTestData& {
            return QTest::newRow(name) << qint64(8 << 20) << QString(how) << onSender;
        };
        row("sender cancels", "cancel", true)
            << Lines{said("odesílání souboru zdroj.bin bylo zrušeno, odesláno %1 z 8 MB")}
            << Lines{shortOne};
        row("receiver cancels", "cancel", false)
            << Lines{broken}
            << Lines{said("příjem souboru zdroj.bin byl zrušen, přijato %1 z 8 MB")};
        row("sender dropped", "kill", true) << Lines{} << Lines{shortOne};
        row("receiver dropped", "kill", false) << Lines{broken} << Lines{};
        // The sender sends what the file still has and says it was not all.
        row("source truncated", "truncate", true)
            << Lines{failed("odesláno %1 z 8 MB")} << Lines{shortOne};
        row("source deleted", "delete", true) << sent << whole;
    }

    void transfersEnd()
    {
        QFETCH(qint64, size);
        QFETCH(QString, how);
        QFETCH(bool, onSender);
        QFETCH(Lines, senderEnd);
        QFETCH(Lines, receiverEnd);
        Pair p;
        const QByteArray bytes = p.source(size);
        const QString source = p.dir.filePath("zdroj.bin");
        QPointer<Transfer>& side = onSender ? p.sending : p.receiving;
        bool acted = how.isEmpty();
        // Hooked as it starts: on loopback a whole file can go before a test could look.
        QObject::connect(&(onSender ? p.a : p.b).transfers, &FileTransfers::transferStarted,
                         [&](Transfer* t) {
                             QObject::connect(t, &Transfer::progressed, t, [&] {
                                 if (std::exchange(acted, true))
                                     return;
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
                         });
        p.offer();
        QTRY_VERIFY_WITH_TIMEOUT(acted && p.idle(), TimeoutMs);
        const int before = how.isEmpty() ? 2 : 3;
        QTRY_COMPARE(p.b.transcript.lines.size(), 1 + receiverEnd.size());
        QTRY_COMPARE(p.a.transcript.lines.size(), before + senderEnd.size());
        const QByteArray arrived = p.received();
        if (receiverEnd.value(0).text == Closing)
            QCOMPARE(arrived, bytes);
        else
            QVERIFY(arrived.size() < bytes.size() && bytes.startsWith(arrived));
        if (!how.isEmpty())
            QCOMPARE(p.a.transcript.lines.value(2),
                     RecordedLine("další soubor nemůže být zaslán, dokud uživatel přijme nebo "
                                  "odmítne předchozí",
                                  LineLook::Alert, {}, true));
        const QString amount = TransferText::megabytes(arrived.size());
        for (Lines* end : {&senderEnd, &receiverEnd})
            for (RecordedLine& line : *end)
                line.text.replace("%1", amount);
        QCOMPARE(p.a.transcript.lines.mid(before), senderEnd);
        QCOMPARE(p.b.transcript.lines.mid(1), receiverEnd);
    }

    // Files queued for one user go one at a time, each once the one before has gone or been
    // refused; a folder is refused with a line; cancelling with the rest drops the queue.
    void queuedFilesGoOneAtATime()
    {
        for (const bool dropRest : {false, true}) {
            Pair p;
            QStringList paths{p.dir.path()};
            QList<QByteArray> bytes;
            for (int i = 1; i <= 3; ++i) {
                bytes << randomBytes(i * 40000);
                QFile file(p.dir.filePath(QStringLiteral("%1.bin").arg(i)));
                QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes.last()) > 0);
                paths << file.fileName();
            }
            p.b.prompts.autoSave = [&p](const QString& name) {
                return name == "2.bin" ? QString() : p.saveDir + '/' + name;
            };
            QList<Transfer::QueuePlace> places;
            QObject::connect(&p.a.transfers, &FileTransfers::transferStarted, [&](Transfer* t) {
                places << t->queuePlace();
                if (dropRest)
                    t->cancelWithRest();
            });
            p.a.transfers.offerFiles(p.b.self.address, paths);
            const QString asked = QStringLiteral("žádost o příjem souboru na uživatele Bob");
            const auto sending = [&paths](int i) {
                return "spojeno, posílám soubor ..." + paths[i];
            };
            QStringList expected{
                "složka " + p.dir.path() + " nebyla zaslána: přenášet lze jen soubory", asked};
            if (dropRest)
                expected << "odesílání zbývajících souborů ve frontě (2) bylo zrušeno"
                         << "odesílání souboru 1.bin bylo zrušeno, odesláno 0 MB z 0,04 MB";
            else
                expected << sending(1) << "soubor 1.bin byl odeslán" << asked
                         << "uživatel Bob odmítl přijmout soubor" << asked << sending(3)
                         << "soubor 3.bin byl odeslán";
            QTRY_VERIFY_WITH_TIMEOUT((dropRest || p.idle()) &&
                                         p.a.transcript.lines.size() >= expected.size(),
                                     TimeoutMs);
            QStringList shown;
            for (const RecordedLine& line : p.a.transcript.lines)
                shown << line.text;
            QCOMPARE(shown, expected);
            const QList<Transfer::QueuePlace> first{{1, 3}}, both{{1, 3}, {3, 3}};
            QCOMPARE(places, dropRest ? first : both);
            QCOMPARE(p.a.transfers.queuedFiles(p.b.self.address), 0);
            if (!dropRest) {
                QCOMPARE(p.received("1.bin"), bytes[0]);
                QCOMPARE(p.received("3.bin"), bytes[2]);
                QVERIFY(!QFile::exists(p.saveDir + "/2.bin"));
            }
        }
    }

    // Past the announced size, or at the disk's reserve, a reception stops; -1 sent: a cancel.
    void receptionsStopAtTheirLimits_data()
    {
        QTest::addColumn<qint64>("announced");
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<qint64>("written");
        QTest::addColumn<qint64>("volumeSize");
        QTest::addColumn<qint64>("freeAtStart");
        QTest::addColumn<RecordedLine>("lastLine");
        const RecordedLine over = failed("protistrana posílá víc, než ohlásila");
        const RecordedLine full = failed("na disku dochází místo");
        const qint64 GiB = 1024 * MiB, roomy = 512 * MiB;
        const qint64 limitOf10 = 10 + 1 + MiB, limitOf4MiB = 4 * MiB + 419430 + MiB;
        const auto row = [](const char* name, qint64 announced, qint64 sent,
                            qint64 written) -> QTestData& {
            return QTest::newRow(name) << announced << sent << written;
        };
        row("10 B, the limit", 10, limitOf10, limitOf10) << GiB << roomy << said(Closing);
        row("10 B, one over", 10, limitOf10 + 1, limitOf10) << GiB << roomy << over;
        row("4 MiB, one over", 4 * MiB, limitOf4MiB + 1, limitOf4MiB) << GiB << roomy << over;
        row("largest size", std::numeric_limits<qint64>::max(), 100, 100)
            << GiB << roomy << failed("přijato 0 MB z 8796093022208 MB");
        row("a hundredth left", 8 * MiB, 8 * MiB, 3 * MiB) << GiB << GiB / 100 + 3 * MiB << full;
        row("256 MiB left", 4 * MiB, 4 * MiB, MiB) << 1024 * GiB << 257 * MiB << full;
        row("below already", MiB, MiB, 0) << GiB << GiB / 100 - 1 << full;
        row("size unknown", 6 * MiB, 6 * MiB, 6 * MiB) << -1LL << -1LL << said(Closing);
        row("cancelled before anything came", MiB / 2, -1, 0)
            << GiB << roomy << said("příjem souboru zdroj.bin byl zrušen, přijato 0 MB z 0,5 MB");
        row("cancelled once whole", MiB / 2, -1, MiB / 2) << GiB << roomy << said(Closing);
    }

    void receptionsStopAtTheirLimits()
    {
        QFETCH(qint64, announced);
        QFETCH(qint64, sent);
        QFETCH(qint64, written);
        QFETCH(qint64, volumeSize);
        QFETCH(qint64, freeAtStart);
        Reception r(announced);
        int looks = 0;
        r.receiver.setVolumeLookup([&](const QString& path) {
            ++looks;
            return VolumeSpace{volumeSize, freeAtStart - QFileInfo(path).size()};
        });
        const QByteArray bytes = randomBytes(sent < 0 ? written : sent);
        r.peer.write(bytes);
        if (sent < 0) {
            QTRY_COMPARE_WITH_TIMEOUT(r.receiver.done(), written, TimeoutMs);
            r.receiver.cancel();
        }
        r.peer.disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(r.receiver.isFinished(), TimeoutMs);
        QTEST(r.transcript.lines.last(), "lastLine");
        QCOMPARE(contents(r.dir.filePath(QStringLiteral("zdroj.bin"))), bytes.left(written));
        QVERIFY2(looks <= 2, qPrintable(QString::number(looks)));
    }

    void fullFileSystemEndsBothSides()
    {
        QTemporaryDir tiny;
        if (::mount("tmpfs", qPrintable(tiny.path()), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(qPrintable(tiny.path()), MNT_DETACH); });
        Pair p;
        p.saveDir = tiny.path();
        p.source(4 << 20);
        p.offer();
        QTRY_COMPARE_WITH_TIMEOUT(p.b.transcript.lines.value(1), failed("na disku dochází místo"),
                                  TimeoutMs);
        QTRY_COMPARE(p.a.transcript.lines.last(), failed("spojení bylo přerušeno"));
        QVERIFY(!p.a.transfers.isSending());
    }

    // A quiet peer is given up one timeout after its last byte, not a moment before.
    void stalledPeersAreGivenUp()
    {
        Reception r(10);
        r.receiver.setIdleTimeout(IdleTimeout);
        const qint64 almost = IdleTimeout.count() - 1;
        for (int sent = 1; sent <= 3; ++sent) {
            r.now += almost;
            r.peer.write("x");
            QTRY_COMPARE(r.receiver.done(), sent);
        }
        r.now += almost;
        QTest::qWait(20);
        QVERIFY(!r.receiver.isFinished());
        r.now += 1;
        QTRY_VERIFY(r.receiver.isFinished());
        QCOMPARE(r.transcript.lines.last(), failed("protistrana neodpovídá"));
    }

    void transfersThatNeverStart()
    {
        for (const bool portClosed : {false, true}) {
            Pair p;
            p.source(100);
            p.b.transfers.setIdleTimeout(IdleTimeout);
            p.offer();
            if (portClosed) {
                QTcpServer closed;
                closed.listen(QHostAddress::LocalHost);
                const QString port = QString::number(closed.serverPort());
                closed.close();
                p.a.receive("ACCEPTFILE", {"127.0.0.2", port, "x"});
            } else {
                QFile::remove(p.dir.filePath("zdroj.bin"));
            }
            QTRY_COMPARE_WITH_TIMEOUT(
                p.a.transcript.lines.value(1),
                failed(portClosed ? "spojení se nepodařilo navázat" : "soubor nelze přečíst"),
                TimeoutMs);
            QTRY_VERIFY(p.receiving);
            p.b.now += IdleTimeout.count();
            QTRY_COMPARE(p.b.transcript.lines.value(0), failed("protistrana neodpovídá"));
        }
    }

    // Only the accepted station may connect; a second offer gets a socket and file of its own.
    void receptionsTakeOnlyTheirOwnSender()
    {
        Pair p;
        p.b.peer = nullptr;
        const auto acceptedPort = [&p](int answer) {
            return p.b.sent.at(answer).data.split('\v').at(1).toUShort();
        };
        p.b.receive("SENDFILE", {"127.0.0.1", "Alice", "8", "zdroj.bin"});
        QTcpSocket stranger, first, second;
        stranger.bind(QHostAddress("127.0.0.3"));
        stranger.connectToHost(QHostAddress::LocalHost, acceptedPort(0));
        QTRY_COMPARE_WITH_TIMEOUT(stranger.state(), QAbstractSocket::UnconnectedState, TimeoutMs);
        QVERIFY(p.b.transcript.lines.isEmpty());
        first.connectToHost(QHostAddress::LocalHost, acceptedPort(0));
        QVERIFY(first.waitForConnected(TimeoutMs));
        first.write("1234");
        QTRY_COMPARE_WITH_TIMEOUT(p.received(), QByteArray("1234"), TimeoutMs);

        p.b.receive("SENDFILE", {"127.0.0.3", "Carol", "5", "druhy.bin"});
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
        QCOMPARE(p.received(QStringLiteral("druhy.bin")), QByteArray("druhy"));
        QCOMPARE(p.b.transcript.lines.count(said(Closing)), 2);
    }
};

QTEST_GUILESS_MAIN(tst_Transfer)
#include "tst_transfer.moc"
