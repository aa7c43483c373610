#include "modules/media/qt_media_player.h"

#include <QMediaPlayer>
#include <QtTest>

#include "core/base/cp949.h"

class QtMediaPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void theBackendWaitsForTheFirstSound() {
        kv::QtMediaPlayer player;
        player.setAutoStart(false);
        player.setUrl("http://127.0.0.1:9/bell/Alarm.wav");
        player.setPlayCount(100);
        player.stop();
        QVERIFY(!player.backendCreated());
        QCOMPARE(player.source(), QUrl("http://127.0.0.1:9/bell/Alarm.wav"));
        QCOMPARE(player.playCount(), 100);

        player.play();
        QVERIFY(player.backendCreated());
        QCOMPARE(player.backend()->source(), player.source());
        QCOMPARE(player.backend()->loops(), 100);
        player.setPlayCount(1);
        QCOMPARE(player.backend()->loops(), 1);
        player.stop();
    }

    void autoStartPlaysWhenTheAddressIsSet() {
        kv::QtMediaPlayer player;
        player.setUrl("http://127.0.0.1:9/bell/a.wav");
        QVERIFY(player.backendCreated());
    }

    void nothingToPlayMakesNoBackend() {
        kv::QtMediaPlayer player;
        player.setAutoStart(false);
        player.play();
        QVERIFY(!player.backendCreated());
        player.setPlayCount(0);
        QCOMPARE(player.playCount(), 1);
    }

    void koreanFileNamesBecomeAnEncodedAddress() {
        kv::QtMediaPlayer player;
        player.setAutoStart(false);
        player.setUrl(kv::cp949("http://127.0.0.1:9/bell/벨.wav"));
        QCOMPARE(player.source().toEncoded(), QByteArray("http://127.0.0.1:9/bell/%EB%B2%A8.wav"));
    }

    void aMissingFileOrDeviceFailsSilently() {
        kv::QtMediaPlayer player;
        player.setAutoStart(false);
        player.setUrl("file:///nonexistent/kestrovane/none.wav");
        player.play();
        QVERIFY(player.backendCreated());
        // Whatever the backend makes of it, it must not throw or stop the event loop.
        QCoreApplication::processEvents();
        player.stop();
    }
};

QTEST_GUILESS_MAIN(QtMediaPlayerTest)
#include "qt_media_player_test.moc"
