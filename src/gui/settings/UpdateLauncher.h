#pragma once

#include <QObject>

class SettingsStore;
class QWidget;

// The settings dialog's link "zjistit nové verze aplikace": the maker's update client does
// the updating, so this only tells the user how to get it, or starts it and makes way.
class UpdateLauncher final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateLauncher)

public:
    explicit UpdateLauncher(SettingsStore& store, QObject* parent = nullptr);

    // Its questions open over the settings dialog, which closes once the client runs.
    void onUpdateLinkClicked(QWidget* dialog);

    // The client's executable in the folder it stored, joined with exactly one separator.
    static QString clientPath(const QString& folder);

signals:
    // The client runs: this program must end at once, without saying goodbye to the peers.
    void handedOver();

private:
    void startClientOrOfferDownload(QWidget* dialog);
    void offerDownload(QWidget* dialog);
    void startClient(const QString& folder, QWidget* dialog);

    SettingsStore& m_store;
};
