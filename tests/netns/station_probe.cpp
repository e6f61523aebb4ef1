// The real program, reporting what a user sees as lines on stdout, taking commands on stdin.

#include "core/app/ChatClient.h"
#include "core/protocol/Roster.h"
#include "gui/settings/SettingsEditor.h"
#include "gui/transcript/TranscriptView.h"
#include "gui/window/Composer.h"
#include "gui/window/Main.h"
#include "gui/window/MainMenus.h"
#include "gui/window/MainWindow.h"
#include "gui/window/StatusPanels.h"
#include "gui/window/UserActions.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {

void report(const QString& kind, const QString& text)
{
    std::puts((kind + ' ' + QString(text).replace('\n', "\\n")).toUtf8().constData());
    std::fflush(stdout);
}

class Probe final : public QObject {
public:
    explicit Probe(MainWindow& window)
        : m_window(window)
        , m_stdin(STDIN_FILENO, QSocketNotifier::Read)
    {
        Roster& roster = window.client().station().roster();
        report(QStringLiteral("ADDRESS"), window.client().station().ownAddress());
        for (auto signal : {&Roster::rowsInserted, &Roster::rowsRemoved})
            connect(&roster, signal, this, [this] { reportRoster(); });
        connect(&roster, &Roster::dataChanged, this, [this] { reportRoster(); });
        connect(&roster, &Roster::modelReset, this, [this] { reportRoster(); });
        connect(window.statusPanels(), &StatusPanels::panelTextChanged, this,
                [](StatusPanels::Panel panel, const QString& text) {
                    report(panel == StatusPanels::Panel::UsersOnline ? QStringLiteral("COUNT")
                                                                     : QStringLiteral("ADDRESS"),
                           text);
                });
        connect(window.transcript(), &TranscriptView::changed, this, [this] { reportLines(); });
        // "HINT text" of the own address: after the window's own handler, which sets it.
        const auto reportHint = [this] {
            report(QStringLiteral("HINT"),
                   m_window.statusPanels()->panelToolTip(StatusPanels::Panel::OwnAddress));
        };
        connect(&window.client().station(), &Station::interfacesChanged, this, reportHint);
        reportHint();
        connect(&m_stdin, &QSocketNotifier::activated, this, [this] { readCommands(); });
        qApp->installEventFilter(this);
        reportRoster();
        report(QStringLiteral("COUNT"),
               window.statusPanels()->panelText(StatusPanels::Panel::UsersOnline));
        reportLines();
        reportWindow();
    }

private:
    void reportRoster()
    {
        const Roster& roster = m_window.client().station().roster();
        QStringList entries;
        for (int row = 0; row < roster.count(); ++row)
            entries << roster.at(row).key + '=' + roster.at(row).icon + '|' + roster.at(row).nick;
        report(QStringLiteral("ROSTER"), entries.join(';'));
    }

    void reportLines()
    {
        const TranscriptEntries& entries = m_window.transcript()->entries();
        // By serial, which stays with an entry while the oldest leave.
        const qsizetype dropped = entries.droppedCount(), end = dropped + entries.entryCount();
        if (end < m_nextSerial)
            m_nextSerial = 0; // the transcript was emptied
        for (m_nextSerial = qMax(m_nextSerial, dropped); m_nextSerial < end; ++m_nextSerial) {
            for (const QString& line : entries.entryAt(m_nextSerial - dropped).lines())
                report(QStringLiteral("LINE"), line);
        }
    }

    void readCommands()
    {
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            m_stdin.setEnabled(false);
            return;
        }
        m_pending.append(chunk, got);
        for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
            const QString command = QString::fromUtf8(m_pending.left(end)).trimmed();
            m_pending.remove(0, end + 1);
            run(command);
        }
    }

    void run(const QString& line)
    {
        const QString command = line.section(' ', 0, 0), rest = line.section(' ', 1);
        const QString second = rest.section(' ', 1);
        MainMenus& menus = m_window.menus();
        if (command == QLatin1String("close")) {
            m_window.close();
        } else if (command == QLatin1String("settings")) {
            m_window.settingsEditor().show();
        } else if (command == QLatin1String("say")) {
            m_window.composer()->setText(rest);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(m_window.composer(), &enter);
        } else if (command == QLatin1String("alert") || command == QLatin1String("sendfile")) {
            // "alert ADDRESS TEXT", "sendfile ADDRESS PATH": the menu on that user's entry.
            m_window.userActions().onEntryReleased("ip" + rest.section(' ', 0, 0), Qt::LeftButton,
                                                   {});
            if (command == QLatin1String("alert")) {
                menus.user().sendNote->trigger();
                answer<QInputDialog>([&](QInputDialog* dialog) { dialog->setTextValue(second); });
            } else {
                menus.user().sendFile->trigger();
                answer<QFileDialog>([&](QFileDialog* dialog) { dialog->selectFile(second); });
            }
        } else if (command == QLatin1String("acceptfile")) {
            for (QMessageBox* box : m_window.findChildren<QMessageBox*>())
                if (box->isVisible() && box->button(QMessageBox::Yes))
                    box->button(QMessageBox::Yes)->click();
            answer<QFileDialog>([&](QFileDialog* dialog) { dialog->selectFile(rest); });
        }
    }

    template<typename Dialog> static void answer(const std::function<void(Dialog*)>& fill)
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<Dialog*>(widget); dialog && dialog->isVisible()) {
                fill(dialog);
                static_cast<QDialog*>(dialog)->accept();
            }
    }

    // "WINDOW normal|minimized|hidden", once it has settled after each change.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const auto type = event->type();
        if (watched == &m_window &&
            (type == QEvent::WindowStateChange || type == QEvent::Show || type == QEvent::Hide))
            QMetaObject::invokeMethod(this, &Probe::reportWindow, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

    void reportWindow()
    {
        const QString state = !m_window.isVisible()    ? QStringLiteral("hidden")
                              : m_window.isMinimized() ? QStringLiteral("minimized")
                                                       : QStringLiteral("normal");
        if (std::exchange(m_windowState, state) != state)
            report(QStringLiteral("WINDOW"), state);
    }

    MainWindow& m_window;
    QSocketNotifier m_stdin;
    QByteArray m_pending;
    qsizetype m_nextSerial = 0;
    QString m_windowState;
};

// "BOX caption|text" for each message box, those before the window too.
class BoxReporter final : public QObject {
public:
    BoxReporter() { qApp->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched))
                report(QStringLiteral("BOX"), box->windowTitle() + QLatin1Char('|') + box->text());
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const BoxReporter boxes;
    std::unique_ptr<Probe> probe;
    QTimer finder;
    QObject::connect(&finder, &QTimer::timeout, &app, [&probe, &finder] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<MainWindow*>(widget)) {
                probe = std::make_unique<Probe>(*window);
                finder.stop();
            }
    });
    finder.start(0);
    const int code = runProgram(app);
    probe.reset();
    return code;
}
