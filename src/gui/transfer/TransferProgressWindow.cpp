#include "TransferProgressWindow.h"

#include "core/transfer/Transfer.h"
#include "core/transfer/TransferText.h"
#include "gui/common/AsyncMessageBox.h"
#include "gui/common/Twips.h"
#include "gui/common/WindowHelpers.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

namespace {

// Drawn in twips.
using Twips::px;
using Twips::twipsRect;

const QColor DoneText(0, 128, 0);
const QColor DoneBackground(245, 245, 245);

QFont verdana(double points, bool bold)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
              Qt::Alignment alignment = Qt::AlignLeft, bool bold = false)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    // Names and sizes come from peers: never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setFont(verdana(8.25, bold));
    return label;
}

void paintDone(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, DoneText);
    palette.setColor(QPalette::Window, DoneBackground);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
}

// A value label grows with its text, from where it stands.
void setValue(QLabel* label, const QString& text)
{
    label->setText(text);
    label->resize(qMax(label->sizeHint().width(), label->width()), label->height());
}

} // namespace

TransferProgressWindow::TransferProgressWindow(Transfer& transfer, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_transfer(&transfer)
{
    setObjectName(QStringLiteral("TransferProgressWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    // An acceptance from a peer opens it: the keyboard stays where the user is typing.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("přenos souboru"));
    setFixedSize(px(6495), px(1560));
    buildLabels();
    keepOnTop(this);
    addDropShadow(this);

    m_repaint.setSingleShot(true);
    m_repaint.setInterval(RepaintInterval);
    connect(&m_repaint, &QTimer::timeout, this, &TransferProgressWindow::onRepaintDue);
    connect(&transfer, &Transfer::progressed, this, &TransferProgressWindow::onProgressed);
    connect(&transfer, &Transfer::finished, this, &TransferProgressWindow::onFinished);
    connect(&transfer, &Transfer::queuePlaceChanged, this, &TransferProgressWindow::showQueuePlace);
    showFile(transfer.fileLabel(), transfer.totalSize());
    showQueuePlace();
    showProgress(transfer.done());
}

TransferProgressWindow::~TransferProgressWindow() = default;

void TransferProgressWindow::setRepaintInterval(std::chrono::milliseconds interval)
{
    m_repaint.setInterval(interval);
}

void TransferProgressWindow::buildLabels()
{
    const auto right = Qt::AlignRight;
    label(this, "fileCaption", QStringLiteral("soubor"), twipsRect(120, 0, 585, 195), right);
    m_fileName = label(this, "fileName", QStringLiteral("none"), twipsRect(840, 0, 5595, 435),
                       Qt::AlignLeft, true);
    m_fileName->setWordWrap(true);
    // Placed beside the name when there is a queue.
    m_queuePlace = label(this, "queuePlace", {}, {}, Qt::AlignRight, true);
    m_queuePlace->hide();
    label(this, "sizeCaption", QStringLiteral("velikost"), twipsRect(840, 420, 660, 195), right);
    m_sizeMb = label(this, "sizeMb", QStringLiteral("000"), twipsRect(1680, 420, 360, 195),
                     Qt::AlignLeft, true);
    label(this, "doneCaption", QStringLiteral("odesláno/přijato"), twipsRect(120, 600, 1395, 195),
          right);
    m_doneMb = label(this, "doneMb", QStringLiteral("000"), twipsRect(1680, 600, 315, 195));
    paintDone(m_doneMb);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setGeometry(twipsRect(120, 840, 6255, 255));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_percent = label(this, "percent", QStringLiteral("000"), twipsRect(3060, 1080, 360, 195),
                      Qt::AlignHCenter, true);
    paintDone(m_percent);
    m_cancelLink = label(this, "cancelLink", QStringLiteral("zrušit stahování"),
                         twipsRect(4560, 1320, 1755, 240), Qt::AlignLeft, true);
    m_cancelLink->setFont(verdana(9.75, true));
    QPalette palette = m_cancelLink->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_cancelLink->setPalette(palette);
    m_cancelLink->setCursor(Qt::PointingHandCursor);
    m_cancelLink->installEventFilter(this);
}

void TransferProgressWindow::showFile(const QString& fileLabel, qint64 size)
{
    m_fileName->setText(fileLabel);
    // A long path that does not fit can still be read whole; escaped, as tool tips take
    // markup.
    m_fileName->setToolTip(QStringLiteral("<p style='white-space:pre-wrap'>") +
                           fileLabel.toHtmlEscaped() + QStringLiteral("</p>"));
    m_size = size;
    setValue(m_sizeMb, TransferText::megabytes(size));
}

// "2 / 5" at the end of the name's row; the name wraps in the room left.
void TransferProgressWindow::showQueuePlace()
{
    const Transfer::QueuePlace place =
        m_transfer ? m_transfer->queuePlace() : Transfer::QueuePlace{};
    const QRect nameBox = twipsRect(840, 0, 5595, 435);
    if (place.position <= 0) {
        m_queuePlace->hide();
        m_fileName->setGeometry(nameBox);
        return;
    }
    m_queuePlace->setText(QStringLiteral("%1 / %2").arg(place.position).arg(place.count));
    const int width = m_queuePlace->sizeHint().width();
    m_queuePlace->setGeometry(nameBox.right() + 1 - width, 0, width, px(195));
    m_queuePlace->show();
    m_fileName->setGeometry(nameBox.adjusted(0, 0, -width - px(120), 0));
}

void TransferProgressWindow::showProgress(qint64 done)
{
    m_latestDone = done;
    m_repaintPending = false;
    if (m_size <= 0)
        return;
    const double ratio = qMin(1.0, double(done) / double(m_size));
    m_bar->setValue(qRound(100.0 * ratio));
    setValue(m_percent, TransferText::percent(ratio));
    setValue(m_doneMb, TransferText::megabytes(done));
}

// A gigabyte is a hundred thousand blocks: the labels follow at a pace a person can read.
void TransferProgressWindow::onProgressed(qint64 done)
{
    m_latestDone = done;
    if (m_repaint.isActive()) {
        m_repaintPending = true;
        return;
    }
    showProgress(done);
    m_repaint.start();
}

void TransferProgressWindow::onRepaintDue()
{
    if (m_repaintPending) {
        showProgress(m_latestDone);
        m_repaint.start();
    }
}

void TransferProgressWindow::onFinished()
{
    if (m_repaintPending)
        showProgress(m_latestDone);
    m_repaint.stop();
    m_transfer = nullptr;
    close();
}

void TransferProgressWindow::cancel(bool withRest)
{
    m_cancelRequested = true;
    hide();
    if (m_transfer && withRest)
        m_transfer->cancelWithRest();
    else if (m_transfer)
        m_transfer->cancel();
}

// The transfer goes on while the question is open; it closes with the window when the file
// has gone meanwhile.
bool TransferProgressWindow::askAboutRest()
{
    const int waiting = m_transfer ? m_transfer->queuePlace().waiting() : 0;
    if (waiting <= 0)
        return false;
    if (m_restQuestion) {
        m_restQuestion->raise();
        return true;
    }
    m_restQuestion = openMessageBox(
        this, QMessageBox::Question, windowTitle(),
        QStringLiteral("Zrušit i soubory, které čekají ve frontě (%1)?").arg(waiting),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this,
        [this](QMessageBox::StandardButton answer) {
            if (answer == QMessageBox::Yes || answer == QMessageBox::No)
                cancel(answer == QMessageBox::Yes);
        });
    m_restQuestion->button(QMessageBox::Yes)->setText(QStringLiteral("zrušit všechny"));
    m_restQuestion->button(QMessageBox::No)->setText(QStringLiteral("jen tento soubor"));
    m_restQuestion->button(QMessageBox::Cancel)->setText(QStringLiteral("pokračovat"));
    return true;
}

bool TransferProgressWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_cancelLink && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !askAboutRest())
        cancel();
    return QWidget::eventFilter(watched, event);
}

// Closing the window of a running transfer stops it, as the cancel label does; the user's
// close box asks about a queue first, the program's own close (at its end) does not.
void TransferProgressWindow::closeEvent(QCloseEvent* event)
{
    if (m_transfer && !m_transfer->isFinished()) {
        if (event->spontaneous() && askAboutRest()) {
            event->ignore();
            return;
        }
        cancel();
    }
    event->accept();
}
