#pragma once

#include "gui/tray/SoundPlayer.h"
#include "gui/tray/TrayIconBackend.h"

#include <QIcon>
#include <QList>

// A notification area that records what it was asked to show.
class FakeTrayIcon final : public TrayIconBackend {
public:
    struct Message {
        QString title;
        QString text;
        int msec = 0;
        bool operator==(const Message&) const = default;
    };

    bool isAvailable() const override
    {
        ++availabilityQueries;
        return available;
    }
    void setIcon(const QIcon& newIcon) override { icon = newIcon; }
    void show() override
    {
        ++shows;
        shown = true;
    }
    void hide() override
    {
        ++hides;
        shown = false;
    }
    void setToolTip(const QString& text) override { toolTip = text; }
    void setContextMenu(QMenu* newMenu) override { menu = newMenu; }
    void showMessage(const QString& title, const QString& text, int msec) override
    {
        messages.append({title, text, msec});
    }
    void click(Click what) { emit clicked(what); }
    void clickMessage() { emit messageClicked(); }
    // A notification area starts or ends, and says so.
    void setAvailable(bool on)
    {
        available = on;
        emit availabilityChanged();
    }
    bool visible() const { return shown; }

    bool available = true;
    mutable int availabilityQueries = 0;
    int shows = 0;
    int hides = 0;
    bool shown = false;
    QIcon icon;
    QString toolTip;
    QMenu* menu = nullptr;
    QList<Message> messages;
};

class CountingSound final : public SoundPlayer {
public:
    void play() override { ++plays; }
    int plays = 0;
};
