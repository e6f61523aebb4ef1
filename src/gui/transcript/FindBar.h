#pragma once

#include "TranscriptFinder.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class TranscriptView;

// The bar under the transcript that finds text in all of it as the user types: Enter goes to
// the next match, Shift+Enter to the previous one, Escape closes the bar and the pane goes
// back to the newest entries.
class FindBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindBar)

public:
    // The bar sits at the foot of the view, hidden until opened.
    explicit FindBar(TranscriptView& view);

    void open();
    void close();
    TranscriptFinder& finder() { return m_finder; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onQueryEdited(const QString& query);
    void onCurrentChanged();

    TranscriptView& m_view;
    TranscriptFinder m_finder;
    QLineEdit* m_query = nullptr;
    QLabel* m_count = nullptr;
    // Focus goes back where it was when the bar closes.
    QPointer<QWidget> m_focusBefore;
};
