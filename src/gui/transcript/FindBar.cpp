#include "FindBar.h"

#include "TranscriptView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

FindBar::FindBar(TranscriptView& view)
    : QWidget(&view)
    , m_view(view)
    , m_finder(view.store())
{
    setObjectName(QStringLiteral("findBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    m_query = new QLineEdit(this);
    m_query->setObjectName(QStringLiteral("findQuery"));
    m_query->setPlaceholderText(QStringLiteral("hledat v diskuzi"));
    m_query->installEventFilter(this);
    layout->addWidget(m_query, 1);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("findCount"));
    m_count->setTextFormat(Qt::PlainText);
    layout->addWidget(m_count);
    const auto button = [this, layout](Qt::ArrowType arrow, const QString& tip) {
        auto* made = new QToolButton(this);
        made->setArrowType(arrow);
        made->setToolTip(tip);
        made->setAutoRaise(true);
        layout->addWidget(made);
        return made;
    };
    connect(button(Qt::UpArrow, QStringLiteral("předchozí (Shift+Enter)")), &QToolButton::clicked,
            &m_finder, &TranscriptFinder::previous);
    connect(button(Qt::DownArrow, QStringLiteral("další (Enter)")), &QToolButton::clicked,
            &m_finder, &TranscriptFinder::next);
    auto* closer = new QToolButton(this);
    closer->setText(QStringLiteral("×"));
    closer->setToolTip(QStringLiteral("zavřít (Esc)"));
    closer->setAutoRaise(true);
    layout->addWidget(closer);
    connect(closer, &QToolButton::clicked, this, &FindBar::close);

    connect(m_query, &QLineEdit::textEdited, this, &FindBar::onQueryEdited);
    connect(&m_finder, &TranscriptFinder::currentChanged, this, &FindBar::onCurrentChanged);
    connect(&m_finder, &TranscriptFinder::countChanged, this,
            [this] { m_count->setText(m_finder.countText()); });
    connect(&view, &TranscriptView::changed, &m_finder, &TranscriptFinder::onStoreChanged);
    hide();
    view.setFooter(this);
    // Escape closes the bar from the pane too, where a click on a match leaves the focus.
    view.installEventFilter(this);
}

void FindBar::open()
{
    if (!isVisible()) {
        m_focusBefore = QApplication::focusWidget();
        show();
        onQueryEdited(m_query->text());
    }
    m_query->setFocus();
    m_query->selectAll();
}

void FindBar::close()
{
    if (!isVisible())
        return;
    hide();
    m_finder.setQuery({});
    m_view.setHighlight({});
    m_view.returnToNewest();
    if (m_focusBefore)
        m_focusBefore->setFocus();
}

void FindBar::onQueryEdited(const QString& query)
{
    // The pane marks what the finder looks for before the first match is shown.
    m_view.setHighlight(query);
    m_finder.setQuery(query);
}

void FindBar::onCurrentChanged()
{
    if (const auto match = m_finder.current())
        m_view.showMatch(match->serial, match->occurrence);
    m_count->setText(m_finder.countText());
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_view && event->type() == QEvent::KeyPress && isVisible() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (watched == m_query && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                m_finder.previous();
            else
                m_finder.next();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}
