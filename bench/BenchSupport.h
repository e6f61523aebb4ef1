#pragma once

// What every benchmark program shares: clocks, medians, the figure lines that bench/run.sh
// shows, and network namespaces for the programs that talk over the network.

#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>

#include <ctime>
#include <functional>

namespace Bench {

// Wall time and the calling thread's processor time since start: the second is what the
// code itself cost, whatever else the machine was doing.
class Stopwatch {
public:
    Stopwatch() { restart(); }
    void restart()
    {
        m_wall.start();
        m_cpu = threadNanos();
    }
    double wallMs() const { return double(m_wall.nsecsElapsed()) / 1e6; }
    double cpuMs() const { return double(threadNanos() - m_cpu) / 1e6; }

private:
    static qint64 threadNanos()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    QElapsedTimer m_wall;
    qint64 m_cpu = 0;
};

double median(QList<double> values);
// The value after "--name" in the arguments, or empty.
QString option(const QStringList& args, const char* name);

// One line per figure: what was measured, its value against the baseline of the same run,
// the ratio and the goal the ratio is held to (empty when there is none).
void figure(const QString& name, double value, double baseline, const QString& unit,
            const QString& goal);
// A figure whose baseline is a fixed limit rather than a measurement.
void limit(const QString& name, double value, double limit, const QString& unit);
void note(const QString& text);

// The main of a program that measures itself against a trivial Qt program: "trivial" runs
// the baseline, "drive" (under a core application) runs both and prints the figures;
// anything else prints the usage and fails.
int runTrivialOrDrive(int argc, char** argv, const std::function<int(int, char**)>& trivial,
                      const std::function<int(const QStringList&)>& drive, const char* usage);

// A network namespace made by "ip netns add"; an empty name stands for the one we are in.
class Netns {
    Q_DISABLE_COPY_MOVE(Netns)

public:
    explicit Netns(const QString& name);
    ~Netns();
    bool isValid() const { return m_fd >= 0 || m_name.isEmpty(); }
    QString name() const { return m_name; }
    // Moves the calling thread in; sockets it opens from then on belong to the namespace.
    bool enter() const;
    // Runs make() with the calling thread inside and brings it back out: sockets made (bound)
    // there stay there.
    bool run(const std::function<void()>& make) const;
    // The process starts inside.
    void startInside(QProcess& process) const;

private:
    QString m_name;
    int m_fd = -1;
};

} // namespace Bench
