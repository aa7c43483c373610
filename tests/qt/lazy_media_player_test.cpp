#include "qt/lazy_media_player.h"

#include <QtTest>

class LazyMediaPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void nothingIsLoadedUntilASoundPlays() {
        qputenv("KESTROVANE_MODULE_DIR", KV_MODULE_DIR);
        kv::LazyMediaPlayer player;
        player.setAutoStart(false);
        player.setPlayCount(100);
        player.setUrl("http://127.0.0.1:1/bell/Alarm.wav");
        player.stop();
        QVERIFY(!player.loaded());
        player.play();  // no server there: it fails silently, but the module is in
        QVERIFY(player.loaded());
        player.stop();
    }

    void autoStartWithAnAddressPlaysAtOnce() {
        qputenv("KESTROVANE_MODULE_DIR", KV_MODULE_DIR);
        kv::LazyMediaPlayer player;
        player.setUrl("http://127.0.0.1:1/bell/Alarm.wav");
        QVERIFY(player.loaded());
    }

    void withoutTheModuleNothingPlaysAndNothingFails() {
        qputenv("KESTROVANE_MODULE_DIR", "/nonexistent-kestrovane-modules");
        kv::LazyMediaPlayer player;
        player.setAutoStart(false);
        player.setUrl("http://127.0.0.1:1/bell/Alarm.wav");
        player.play();
        player.stop();
        QVERIFY(!player.loaded());
    }
};

QTEST_GUILESS_MAIN(LazyMediaPlayerTest)
#include "lazy_media_player_test.moc"
