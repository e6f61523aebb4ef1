#pragma once

#include <QLabel>

// A label that acts on a click, for commands drawn as text rather than as buttons. Tab reaches
// it, a focus frame and an underlined text show it has the keyboard, and Enter or Space act as
// a click.
class ClickableLabel final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickableLabel)

public:
    explicit ClickableLabel(const QString& text = {}, QWidget* parent = nullptr);

    // Where the focus frame goes when the visible part is smaller than the label.
    void setFocusArea(const QRect& area) { m_focusArea = area; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void underlineWhileFocused();

    bool m_pressed = false;
    QRect m_focusArea;
};
