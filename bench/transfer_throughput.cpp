// Sends one large file between two stations' transfer code over loopback TCP (offer,
// acceptance, blocks, close, progress windows included), and the same file through a plain
// pair of TCP sockets with the same block and buffer sizes, in one run; prints both rates,
// their ratio and the process's peak memory while the file flows.
// Usage: bench_transfer_throughput [MiB, default 1024] [folder for the files] [rounds, 5]
#include "FakeStation.h"
#include "core/transfer/FileReceiver.h"
#include "core/transfer/FileSender.h"
#include "gui/transfer/TransferProgressWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr qint64 MiB = 1 << 20;

struct Result {
    double seconds = 0;
    double cpuSeconds = 0; // this process, both sides: less at the mercy of other programs
    bool exact = false;
    qint64 peakAtEighthKiB = 0; // the process's peak memory an eighth of the way through
    qint64 peakAtEndKiB = 0;
};

qint64 peakMemoryKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Before every timed run: the previous run's file is on disk, not being written out
// underneath this one, and the peak memory counts from here.
void prepareRun()
{
    ::sync();
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool sameContent(const QString& a, const QString& b)
{
    QFile first(a), second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly) ||
        first.size() != second.size())
        return false;
    while (!first.atEnd()) {
        if (first.read(MiB) != second.read(MiB))
            return false;
    }
    return true;
}

void writeSource(const QString& path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk(MiB, Qt::Uninitialized);
    for (qint64 left = size; left > 0; left -= MiB) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(chunk.data()), MiB / 4);
        file.write(chunk.constData(), qMin(left, MiB));
    }
}

Result viaStations(const QString& source, const QString& folder, qint64 size)
{
    TcpTransferNetwork network;
    FakeStation a(QStringLiteral("127.0.0.1"), QStringLiteral("Alice"), &network);
    FakeStation b(QStringLiteral("127.0.0.2"), QStringLiteral("Bob"), &network);
    a.peer = &b;
    b.peer = &a;
    a.know(b.self.address, QStringLiteral("Bob"));
    const QString destination = folder + QStringLiteral("/stations.bin");
    b.prompts.autoSave = [&destination](const QString&) { return destination; };

    Result result;
    QEventLoop loop;
    int running = 0;
    for (FileTransfers* side : {&a.transfers, &b.transfers}) {
        QObject::connect(side, &FileTransfers::transferStarted, &loop, [&](Transfer* transfer) {
            ++running;
            (new TransferProgressWindow(*transfer))->show();
            QObject::connect(transfer, &Transfer::finished, &loop, [&] {
                if (--running == 0)
                    loop.quit();
            });
            if (transfer->direction() == Transfer::Direction::Receiving) {
                QObject::connect(transfer, &Transfer::progressed, &loop,
                                 [&result, size](qint64 done) {
                                     if (result.peakAtEighthKiB == 0 && done >= size / 8)
                                         result.peakAtEighthKiB = peakMemoryKiB();
                                 });
            }
        });
    }
    prepareRun();
    const double cpuAtStart = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    a.transfers.offerFile(b.self.address, source);
    loop.exec();
    result.seconds = clock.elapsed() / 1000.0;
    result.cpuSeconds = cpuSeconds() - cpuAtStart;
    result.peakAtEndKiB = peakMemoryKiB();
    result.exact = sameContent(source, destination);
    QFile::remove(destination);
    return result;
}

// The same blocks through two bare sockets: read, queue up to the same window, write.
Result viaPlainSockets(const QString& source, const QString& folder, qint64 size)
{
    QFile input(source), output(folder + QStringLiteral("/plain.bin"));
    if (!input.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ||
        !output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        qFatal("cannot open the files of the plain copy");
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    QTcpSocket sending;
    QTcpSocket* receiving = nullptr;
    QByteArray buffer(FileReceiver::ReadBufferSize, Qt::Uninitialized);
    qint64 received = 0;
    QEventLoop loop;
    Result result;

    const auto queue = [&] {
        while (sending.bytesToWrite() < FileSender::MaxQueued && !input.atEnd())
            sending.write(input.read(FileSender::BlockSize));
        if (input.atEnd() && sending.bytesToWrite() == 0)
            sending.disconnectFromHost();
    };
    QObject::connect(&sending, &QTcpSocket::connected, &loop, queue);
    QObject::connect(&sending, &QTcpSocket::bytesWritten, &loop, queue);
    QObject::connect(&server, &QTcpServer::newConnection, &loop, [&] {
        receiving = server.nextPendingConnection();
        receiving->setReadBufferSize(FileReceiver::ReadBufferSize);
        const auto drain = [&] {
            for (qint64 got; (got = receiving->read(buffer.data(), buffer.size())) > 0;)
                received += output.write(buffer.constData(), got);
            if (result.peakAtEighthKiB == 0 && received >= size / 8)
                result.peakAtEighthKiB = peakMemoryKiB();
        };
        QObject::connect(receiving, &QTcpSocket::readyRead, &loop, drain);
        QObject::connect(receiving, &QTcpSocket::disconnected, &loop, [&, drain] {
            drain();
            loop.quit();
        });
    });
    prepareRun();
    const double cpuAtStart = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    sending.connectToHost(QHostAddress::LocalHost, server.serverPort());
    loop.exec();
    result.seconds = clock.elapsed() / 1000.0;
    result.cpuSeconds = cpuSeconds() - cpuAtStart;
    result.peakAtEndKiB = peakMemoryKiB();
    output.close();
    result.exact = sameContent(source, output.fileName());
    output.remove();
    return result;
}

void print(const char* name, const Result& result, qint64 size)
{
    const double mb = double(size) / MiB;
    std::printf("%-8s %7.1f MB/s (%6.2f s), %7.1f MB per CPU second, %s, peak memory of the "
                "process (both sides) %lld MiB after 1/8 and %lld MiB at the end\n",
                name, mb / result.seconds, result.seconds, mb / result.cpuSeconds,
                result.exact ? "byte-exact" : "DIFFERENT", result.peakAtEighthKiB / 1024,
                result.peakAtEndKiB / 1024);
    std::fflush(stdout);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const qint64 size = (argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024) * MiB;
    const int rounds = argc > 3 ? QByteArray(argv[3]).toInt() : 5;
    QTemporaryDir folder((argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath()) +
                         QStringLiteral("/kwbench-XXXXXX"));
    if (size <= 0 || rounds <= 0 || !folder.isValid())
        qFatal("usage: bench_transfer_throughput [MiB] [folder] [rounds]");
    const QString source = folder.filePath(QStringLiteral("source.bin"));
    writeSource(source, size);

    // Each round runs both back to back and compares them, so a busy moment of the machine
    // weighs on both sides of a ratio; the median ratio leaves out the odd round.
    QList<double> rates, cpuRates;
    bool exact = true;
    for (int round = 0; round < rounds; ++round) {
        const Result p = viaPlainSockets(source, folder.path(), size);
        print("plain", p, size);
        const Result s = viaStations(source, folder.path(), size);
        print("stations", s, size);
        rates << p.seconds / s.seconds;
        cpuRates << p.cpuSeconds / s.cpuSeconds;
        exact = exact && p.exact && s.exact;
    }
    std::printf("ratio    %.2f of the plain copy's rate, %.2f of its rate per CPU second (median "
                "of %d rounds; goal at least 0.80)\n",
                median(rates), median(cpuRates), rounds);
    return exact ? 0 : 1;
}
