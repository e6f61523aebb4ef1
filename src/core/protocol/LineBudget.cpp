#include "LineBudget.h"

#include "AddressGuard.h"
#include "TranscriptSink.h"

#include <QLocale>

#include <algorithm>
#include <vector>

namespace {
QString count(quint64 lines)
{
    return QLocale(QLocale::Czech).toString(lines);
}
} // namespace

LineBudget::LineBudget(TranscriptSink& transcript, const HostAddresses& hosts,
                       RateLimiter::Clock clock, QObject* parent)
    : QObject(parent)
    , m_transcript(transcript)
    , m_hosts(hosts)
    , m_clock(std::move(clock))
{
    m_notices.setSingleShot(true);
    m_notices.setInterval(NoticeInterval);
    connect(&m_notices, &QTimer::timeout, this, &LineBudget::writeNotices);
}

void LineBudget::appendLine(const QString& source, const QString& text, LineLook look,
                            const QString& nick)
{
    if (admit(source))
        m_transcript.appendLine(text, look, nick);
}

void LineBudget::appendBareLine(const QString& source, const QString& text, LineLook look)
{
    if (admit(source))
        m_transcript.appendBareLine(text, look);
}

bool LineBudget::admit(const QString& source)
{
    if (source.isEmpty() || m_hosts.isOwn(source) || spend(source))
        return true;
    holdBack(source);
    return false;
}

bool LineBudget::spend(const QString& source)
{
    const qint64 now = m_clock();
    auto budget = m_budgets.find(source);
    if (budget == m_budgets.end()) {
        if (m_budgets.size() >= MaxSources) {
            forgetFullBudgets(now);
            if (m_budgets.size() >= MaxSources)
                return false;
        }
        budget = m_budgets.insert(source, {BurstLines, now});
    }
    budget->lines =
        qMin<double>(BurstLines, budget->lines + double(now - budget->at) * LinesPerSecond / 1000);
    budget->at = now;
    if (budget->lines < 1)
        return false;
    budget->lines -= 1;
    return true;
}

void LineBudget::forgetFullBudgets(qint64 now)
{
    // At most once a second, so a full table under a flood costs nothing per line.
    if (m_lastSweep != 0 && now - m_lastSweep < 1000)
        return;
    m_lastSweep = now;
    m_budgets.removeIf([now](const auto& item) {
        const Budget& budget = item.value();
        return budget.lines + double(now - budget.at) * LinesPerSecond / 1000 >= BurstLines;
    });
}

quint64 LineBudget::heldBack() const
{
    quint64 total = m_heldBackUnnamed;
    for (const quint64 lines : m_heldBack)
        total += lines;
    return total;
}

void LineBudget::holdBack(const QString& source)
{
    if (const auto found = m_heldBack.find(source); found != m_heldBack.end())
        ++*found;
    else if (m_heldBack.size() < MaxSources)
        m_heldBack.insert(source, 1);
    else
        ++m_heldBackUnnamed;
    // The first line held back starts the interval; the notice then tells the whole of it.
    if (!m_notices.isActive())
        m_notices.start();
}

void LineBudget::writeNotices()
{
    std::vector<std::pair<quint64, QString>> stations;
    stations.reserve(std::size_t(m_heldBack.size()));
    for (auto it = m_heldBack.cbegin(); it != m_heldBack.cend(); ++it)
        stations.emplace_back(it.value(), it.key());
    std::sort(stations.begin(), stations.end(), std::greater<>());
    quint64 others = m_heldBackUnnamed;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const auto& [lines, source] = stations[i];
        if (i >= std::size_t(NamedStations)) {
            others += lines;
            continue;
        }
        m_transcript.appendLine(
            QStringLiteral("stanice %1 posílá příliš mnoho zpráv: %2 zpráv nezobrazeno")
                .arg(source, count(lines)),
            LineLook::Alert);
    }
    if (others > 0)
        m_transcript.appendLine(
            QStringLiteral("další stanice posílají příliš mnoho zpráv: %1 zpráv nezobrazeno")
                .arg(count(others)),
            LineLook::Alert);
    m_heldBack.clear();
    m_heldBackUnnamed = 0;
}
