#include "tray/SoundPlayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_soundplayer final : public QObject {
    Q_OBJECT

private slots:
    void aMissingFileBeepsAtEveryPlay()
    {
        QTemporaryDir dir;
        int beeps = 0;
        WaveFilePlayer player(dir.filePath(QStringLiteral("sound.wav")), [&beeps] { ++beeps; });
        player.play();
        player.play();
        QCOMPARE(beeps, 2);
    }

    void aFileThatIsNoSoundBeeps()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sound.wav"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        int beeps = 0;
        WaveFilePlayer player(path, [&beeps] { ++beeps; });
        player.play();
        QTRY_COMPARE(beeps, 1);
        player.play();
        QCOMPARE(beeps, 2);
    }

    void theShippedSoundPlaysWithoutBeeping()
    {
        int beeps = 0;
        WaveFilePlayer player(QStringLiteral(KW_SHIPPED_SOUND), [&beeps] { ++beeps; });
        player.play();
        QTRY_VERIFY(player.isReady());
        // Three quick plays, as one transcript entry gives, restart one sound.
        for (int i = 0; i < 3; ++i)
            player.play();
        QCOMPARE(beeps, 0);
    }
};

QTEST_MAIN(tst_soundplayer)
#include "tst_soundplayer.moc"
