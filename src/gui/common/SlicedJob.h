#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>

class QDialog;
class QProgressBar;
class QWidget;

// Works through a long task a slice per turn of the event loop, behind a modal progress
// dialog that can cancel it. The window and the network are served between slices, and
// nothing ever waits in a nested loop.
class SlicedJob final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SlicedJob)

public:
    enum class Outcome { Done, Cancelled, Failed };
    Q_ENUM(Outcome)
    // Does unit number index of the task; false ends the job as failed.
    using Step = std::function<bool(qsizetype index)>;
    // Long enough to get work done, short enough that typing and datagrams never wait for it.
    static constexpr std::chrono::milliseconds DefaultSliceBudget{15};

    // The dialog opens over window with the Czech text label; the job deletes itself once
    // it has reported its outcome.
    SlicedJob(const QString& label, qsizetype steps, Step step, QWidget* window,
              QObject* parent = nullptr);
    ~SlicedJob() override;

    void start();
    // Tests set 0, a single step per slice.
    void setSliceBudget(std::chrono::milliseconds budget) { m_sliceBudget = budget; }

signals:
    void finished(SlicedJob::Outcome outcome);

private:
    void runSlice();
    void finish(Outcome outcome);

    qsizetype m_steps = 0;
    qsizetype m_next = 0;
    std::chrono::milliseconds m_sliceBudget = DefaultSliceBudget;
    Step m_step;
    QTimer m_slices;
    QPointer<QDialog> m_dialog;
    QProgressBar* m_bar = nullptr;
    bool m_finished = false;
};
