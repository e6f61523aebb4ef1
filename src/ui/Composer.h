#pragma once

#include <QLineEdit>

#include <functional>

class Station;
class TranscriptSink;

// The one-line box under the transcript ("sendtext"). Enter sends the line to everybody;
// the own line shows when its broadcast comes back, like everybody else's.
class Composer final : public QLineEdit {
    Q_OBJECT

public:
    using AboutBlock = std::function<QString()>;

    Composer(Station& station, TranscriptSink& transcript, AboutBlock about,
             QWidget* parent = nullptr);

    // Keeps every line short enough for one packet with the nick now in use.
    void updateMaxLength();

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void send();

    Station& m_station;
    TranscriptSink& m_transcript;
    AboutBlock m_about;
};
