#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <chrono>

class QLabel;
class QMessageBox;
class QProgressBar;
class Transfer;

// The small window that follows one transfer: file, size, amount done, a bar with the
// percentage, and "zrušit stahování". It closes itself when its transfer ends.
class TransferProgressWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferProgressWindow)

public:
    // The labels are repainted at most this often while bytes flow.
    static constexpr std::chrono::milliseconds RepaintInterval{50};

    explicit TransferProgressWindow(Transfer& transfer, QWidget* parent = nullptr);
    ~TransferProgressWindow() override;

    // Tests shorten it rather than wait.
    void setRepaintInterval(std::chrono::milliseconds interval);
    // Whether the user asked to stop the transfer, with the link or the close box.
    bool cancelRequested() const { return m_cancelRequested; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLabels();
    void showFile(const QString& fileLabel, qint64 size);
    void showProgress(qint64 done);
    void showQueuePlace();
    // Asks whether the files queued after this one go too; true when it asked.
    bool askAboutRest();
    void onProgressed(qint64 done);
    void onRepaintDue();
    void onFinished();
    void cancel(bool withRest = false);

    QPointer<Transfer> m_transfer;
    QLabel* m_fileName = nullptr;
    QLabel* m_queuePlace = nullptr;
    QLabel* m_sizeMb = nullptr;
    QLabel* m_doneMb = nullptr;
    QLabel* m_percent = nullptr;
    QLabel* m_cancelLink = nullptr;
    QProgressBar* m_bar = nullptr;
    qint64 m_size = 0;
    qint64 m_latestDone = 0;
    bool m_repaintPending = false;
    QTimer m_repaint;
    bool m_cancelRequested = false;
    QPointer<QMessageBox> m_restQuestion;
};
