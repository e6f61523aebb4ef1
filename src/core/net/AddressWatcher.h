#pragma once

#include <QObject>

#include <chrono>
#include <memory>

// Tells when this host's addresses, links or routes may have changed, so that they are read
// again then and not on a clock: a station that sits idle for hours must cost nothing.
class AddressWatcher : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressWatcher)

public:
    // Where the system tells of nothing, the addresses are looked at this often.
    static constexpr std::chrono::milliseconds PollInterval{10'000};

    // The system's own notifications where the platform has them, else a poll.
    static std::unique_ptr<AddressWatcher> create();
    static std::unique_ptr<AddressWatcher>
    polling(std::chrono::milliseconds interval = PollInterval);

    using QObject::QObject;
    ~AddressWatcher() override = default;

    // True when changes are told as they happen, false for a poll.
    virtual bool isNotified() const = 0;

signals:
    // Something may have changed; several changes at once may come as several signals.
    void changed();
};
