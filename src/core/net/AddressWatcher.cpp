#include "AddressWatcher.h"

#include <QTimer>

namespace {

class PollingAddressWatcher final : public AddressWatcher {
public:
    PollingAddressWatcher()
    {
        connect(&m_poll, &QTimer::timeout, this, &AddressWatcher::changed);
        m_poll.start(PollInterval);
    }

    bool isNotified() const override { return false; }

private:
    QTimer m_poll;
};

} // namespace

std::unique_ptr<AddressWatcher> AddressWatcher::polling()
{
    return std::make_unique<PollingAddressWatcher>();
}
