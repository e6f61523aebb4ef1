#include "AddressWatcher.h"

#include <QTimer>

namespace {

class PollingAddressWatcher final : public AddressWatcher {
public:
    explicit PollingAddressWatcher(std::chrono::milliseconds interval)
    {
        connect(&m_poll, &QTimer::timeout, this, &AddressWatcher::changed);
        m_poll.start(interval);
    }

    bool isNotified() const override { return false; }

private:
    QTimer m_poll;
};

} // namespace

std::unique_ptr<AddressWatcher> AddressWatcher::polling(std::chrono::milliseconds interval)
{
    return std::make_unique<PollingAddressWatcher>(interval);
}
