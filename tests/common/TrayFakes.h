#pragma once

#include "tray/SoundPlayer.h"
#include "tray/TrayIconBackend.h"

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

    bool isAvailable() const override { return available; }
    void setIcon(const QIcon& newIcon) override { icon = newIcon; }
    void show() override { ++shows; }
    void hide() override { ++hides; }
    void setToolTip(const QString& text) override { toolTip = text; }
    void setContextMenu(QMenu* newMenu) override { menu = newMenu; }
    void showMessage(const QString& title, const QString& text, int msec) override
    {
        messages.append({title, text, msec});
    }
    void click(Click what) { emit clicked(what); }
    bool visible() const { return shows > hides; }

    bool available = true;
    int shows = 0;
    int hides = 0;
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
