#include "ClickableLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
    // Not on a click: a link followed with the mouse leaves the focus where the typing is.
    setFocusPolicy(Qt::TabFocus);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        if (!event->isAutoRepeat())
            emit clicked();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void ClickableLabel::focusInEvent(QFocusEvent* event)
{
    QLabel::focusInEvent(event);
    underlineWhileFocused();
}

void ClickableLabel::focusOutEvent(QFocusEvent* event)
{
    QLabel::focusOutEvent(event);
    underlineWhileFocused();
}

// The style's focus frame alone is faint next to the check boxes' marks.
void ClickableLabel::underlineWhileFocused()
{
    QFont underlined = font();
    underlined.setUnderline(hasFocus());
    setFont(underlined);
}

void ClickableLabel::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.rect = m_focusArea.isNull() ? rect() : m_focusArea;
    frame.backgroundColor = palette().color(backgroundRole());
    // Only the keyboard brings the focus here, so the frame is always due; some styles draw it
    // only when told the focus came that way.
    frame.state |= QStyle::State_KeyboardFocusChange;
    QStylePainter(this).drawPrimitive(QStyle::PE_FrameFocusRect, frame);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click)
        emit clicked();
}
