#pragma once

#include "gui/tray/SoundPlayer.h"
#include "gui/tray/TrayIconBackend.h"

#include <QIcon>
#include <QStringList>

// A notification area that records what it was asked to show.
class FakeTrayIcon final : public TrayIconBackend {
public:
    bool isAvailable() const override { return available; }
    void setIcon(const QIcon& newIcon) override { icon = newIcon; }
    void show() override { shown = ++shows > 0; } // counted, and shown
    void hide() override { shown = ++hides < 0; } // counted, and not shown
    void setToolTip(const QString& text) override { toolTip = text; }
    void setContextMenu(QMenu* newMenu) override { menu = newMenu; }
    bool supportsMessages() const override { return balloons; }
    void showMessage(const QString&, const QString& text, int) override { messages.append(text); }
    void click(Click what) { emit clicked(what); }
    void clickMessage() { emit messageClicked(); }
    // A notification area starts or ends, and says so.
    void setAvailable(bool on)
    {
        available = on;
        emit availabilityChanged();
    }

    bool available = true;
    bool balloons = true;
    int shows = 0;
    int hides = 0;
    bool shown = false;
    QIcon icon;
    QString toolTip;
    QMenu* menu = nullptr;
    QStringList messages; // the balloons' texts
};

class CountingSound final : public SoundPlayer {
public:
    void play() override { ++plays; }
    int plays = 0;
};
