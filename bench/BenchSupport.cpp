#include "BenchSupport.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace Bench {

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

QString option(const QStringList& args, const char* name)
{
    const qsizetype at = args.indexOf(QLatin1String(name));
    return at >= 0 ? args.value(at + 1) : QString();
}

void figure(const QString& name, double value, double baseline, const QString& unit,
            const QString& goal)
{
    const QString ratio =
        baseline > 0 ? QString::number(value / baseline, 'f', 2) + QLatin1Char('x') : "-";
    std::printf("  %-58s %7s  %-9s (%.1f vs %.1f %s)\n", qPrintable(name), qPrintable(ratio),
                qPrintable(goal), value, baseline, qPrintable(unit));
    std::fflush(stdout);
}

void limit(const QString& name, double value, double limit, const QString& unit)
{
    figure(name, value, limit, unit, QStringLiteral("<= 1"));
}

void note(const QString& text)
{
    std::printf("%s\n", qPrintable(text));
    std::fflush(stdout);
}

Netns::Netns(const QString& name)
    : m_name(name)
{
    if (!name.isEmpty())
        m_fd = ::open(qPrintable(QStringLiteral("/run/netns/") + name), O_RDONLY | O_CLOEXEC);
}

Netns::~Netns()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Netns::enter() const
{
    return m_name.isEmpty() || (m_fd >= 0 && ::setns(m_fd, CLONE_NEWNET) == 0);
}

bool Netns::run(const std::function<void()>& make) const
{
    if (m_name.isEmpty()) {
        make();
        return true;
    }
    const int own = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    const bool entered = own >= 0 && enter();
    if (entered) {
        make();
        ::setns(own, CLONE_NEWNET);
    }
    if (own >= 0)
        ::close(own);
    return entered;
}

void Netns::startInside(QProcess& process) const
{
    if (m_name.isEmpty())
        return;
    const int fd = m_fd;
    process.setChildProcessModifier([fd] {
        if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0)
            ::_exit(111);
    });
}

int runTrivialOrDrive(int argc, char** argv, const std::function<int(int, char**)>& trivial,
                      const std::function<int(const QStringList&)>& drive, const char* usage)
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("trivial"))
        return trivial(argc, argv);
    if (mode == QLatin1String("drive")) {
        QCoreApplication app(argc, argv);
        return drive(app.arguments().mid(2));
    }
    std::fprintf(stderr, "usage: %s\n", usage);
    return 2;
}

} // namespace Bench
