#include "app/Platform.h"
#include "tray/SoundPlayer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class tst_soundplayer final : public QObject {
    Q_OBJECT

private slots:
    void playsTheFileOrElseBeepsEveryTime()
    {
        int beeps = 0;
        const auto beep = [&beeps] { ++beeps; };
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sound.wav"));
        WaveFilePlayer missing(path, beep);
        missing.play();
        missing.play();
        QCOMPARE(beeps, 2);

        // A file that is no sound fails only once decoding has been tried.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
        file.close();
        WaveFilePlayer noise(path, beep);
        noise.play();
        QTRY_COMPARE(beeps, 3);
        noise.play();
        QCOMPARE(beeps, 4);

        WaveFilePlayer shipped(QStringLiteral(KW_SHIPPED_SOUND), beep);
        shipped.play();
        QTRY_VERIFY(shipped.isReady());
        // Quick plays, as one transcript entry gives, restart the one sound.
        shipped.play();
        shipped.play();
        QCOMPARE(beeps, 4);
    }

    // The build tree has the sound beside the program, an installation in its data folder.
    void soundIsFoundBesideTheProgramOrInItsDataFolder()
    {
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin")), name = QStringLiteral("sound.wav");
        QCOMPARE(Platform::dataFile(name, bin), bin + QLatin1Char('/') + name);
        for (const QString& folder : {bin + QStringLiteral("/" KW_DATA_FROM_PROGRAM), bin}) {
            QFile file(QDir::cleanPath(folder + QLatin1Char('/') + name));
            QVERIFY(QDir().mkpath(folder) && file.open(QIODevice::WriteOnly));
            QCOMPARE(Platform::dataFile(name, bin), file.fileName());
        }
    }
};

QTEST_MAIN(tst_soundplayer)
#include "tst_soundplayer.moc"
