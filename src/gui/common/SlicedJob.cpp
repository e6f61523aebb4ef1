#include "SlicedJob.h"

#include "core/app/Version.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int BarRange = 1000;
} // namespace

SlicedJob::SlicedJob(const QString& label, qsizetype steps, Step step, QWidget* window,
                     QObject* parent)
    : QObject(parent)
    , m_steps(steps)
    , m_step(std::move(step))
{
    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &SlicedJob::runSlice);

    auto* dialog = new QDialog(window);
    dialog->setObjectName(QStringLiteral("transcriptProgress"));
    dialog->setWindowTitle(QString::fromLatin1(Version::ApplicationTitle));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(label, dialog));
    m_bar = new QProgressBar(dialog);
    m_bar->setRange(0, BarRange);
    layout->addWidget(m_bar);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Zrušit"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    // The cancel button, Esc and the close box all end up here.
    connect(dialog, &QDialog::rejected, this, [this] { finish(Outcome::Cancelled); });
    m_dialog = dialog;
}

SlicedJob::~SlicedJob()
{
    delete m_dialog.data();
}

void SlicedJob::start()
{
    // Window-modal, so the transcript cannot be cleared under the job.
    m_dialog->open();
    m_slices.start();
}

void SlicedJob::runSlice()
{
    QElapsedTimer clock;
    clock.start();
    // At least one step a slice, however short the budget.
    const qsizetype first = m_next;
    while (m_next < m_steps && (m_next == first || clock.elapsed() < m_sliceBudget.count())) {
        if (!m_step(m_next)) {
            finish(Outcome::Failed);
            return;
        }
        ++m_next;
    }
    if (m_next >= m_steps) {
        finish(Outcome::Done);
        return;
    }
    m_bar->setValue(int(m_next * BarRange / m_steps));
    m_slices.start();
}

void SlicedJob::finish(Outcome outcome)
{
    if (m_finished)
        return;
    m_finished = true;
    m_slices.stop();
    if (m_dialog) {
        m_dialog->disconnect(this);
        m_dialog->hide();
        m_dialog->deleteLater();
    }
    emit finished(outcome);
    deleteLater();
}
