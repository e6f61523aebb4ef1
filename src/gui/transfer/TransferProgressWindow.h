#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QLabel;
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

    void SetInfo(const QString& file, qint64 totalsize);
    void SetProgress(qint64 donebytes);
    // "CANCEL" once the user asked to stop, empty before.
    QString CancelMark() const { return m_cancelMark; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLabels();
    void onProgressed(qint64 done);
    void onRepaintDue();
    void onFinished();
    void cancel();

    QPointer<Transfer> m_transfer;
    QLabel* m_fileName = nullptr; // Label2(0)
    QLabel* m_totalBytes = nullptr; // Label2(1), not shown
    QLabel* m_sizeMb = nullptr; // Label4
    QLabel* m_doneMb = nullptr; // Label2(3)
    QLabel* m_percent = nullptr; // Label2(2)
    QLabel* m_cancel = nullptr; // Label3
    QProgressBar* m_bar = nullptr; // ProgressBar1
    qint64 m_total = 0;
    qint64 m_latest = 0;
    bool m_repaintPending = false;
    QTimer m_repaint;
    QString m_cancelMark;
};
