#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a signal delivered by the event loop, so the program ends
// the way closing the window ends it. The handler only writes a byte to a pipe.
class TerminationSignals final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TerminationSignals)

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    void onPipeReadable();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
