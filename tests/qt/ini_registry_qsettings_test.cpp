// The settings file is shared with Qt programs: what IniRegistry writes must read back through
// QSettings' IniFormat as the same texts, and the other way round.

#include <QSettings>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/base/cp949.h"
#include "core/posix/ini_registry.h"
#include "support/temp_config_home.h"

namespace {

constexpr auto kOption = kv::RegistrySection::Option;
constexpr auto kKey = kv::RegistrySection::Key;

struct Sample {
    const char* name;
    kv::RegistrySection section;
    QString text;
};

QList<Sample> samples() {
    return {
        {"PATH", kKey, "/opt/my app/kestrovane"},
        {"HWND", kKey, "@/run/user/1000/kestrovane.sock"},
        {"PID", kKey, "31337"},
        {"Userid", kOption, "ghijklmnop"},
        {"Password", kOption, ""},
        {"AlramFile", kOption, QString::fromUtf8("알림 소리;1,2=3 \"q\" \\.wav")},
        {"Lead", kOption, " x "},
        {"Control", kOption,
         QString::fromUtf8("a\tb\nc\x01"
                           "1")},
        {"Top", kOption, "-200"},
    };
}

QString settingsKey(const Sample& sample) {
    return sample.section == kKey ? QString(sample.name) : QString("Option/") + sample.name;
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace

class IniRegistryQSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void qsettingsReadsWhatTheRegistryWrites() {
        kv::test::TempConfigHome home;
        const auto file = home.root() / "Kestrovane" / "Kestrovane.ini";
        kv::IniRegistry registry(file.string());
        for (const Sample& s : samples())
            registry.write(s.section, s.name, kv::cp949(s.text.toStdString()));
        QVERIFY(registry.commit());

        QSettings settings(QString::fromStdString(file.string()), QSettings::IniFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        for (const Sample& s : samples()) {
            const QVariant value = settings.value(settingsKey(s));
            QCOMPARE(value.typeId(), QMetaType::QString);
            QCOMPARE(value.toString(), s.text);
        }
    }

    void theRegistryReadsWhatQSettingsWrites() {
        kv::test::TempConfigHome home;
        const auto file = home.root() / "Kestrovane" / "Kestrovane.ini";
        {
            QSettings settings(QString::fromStdString(file.string()), QSettings::IniFormat);
            for (const Sample& s : samples())
                settings.setValue(settingsKey(s), s.text);
        }
        kv::IniRegistry registry(file.string());
        QCOMPARE(registry.origin(), kv::IniRegistry::Origin::FileRead);
        for (const Sample& s : samples()) {
            const auto value = registry.read(s.section, s.name);
            QVERIFY2(value.has_value(), s.name);
            QCOMPARE(QString::fromStdString(kv::cp949ToUtf8(*value)), s.text);
        }
    }

    void bothWriteTheSameBytes() {
        kv::test::TempConfigHome home;
        const auto ours = home.root() / "ours.ini";
        const auto theirs = home.root() / "theirs.ini";
        kv::IniRegistry registry(ours.string());
        {
            QSettings settings(QString::fromStdString(theirs.string()), QSettings::IniFormat);
            for (const Sample& s : samples()) {
                registry.write(s.section, s.name, kv::cp949(s.text.toStdString()));
                settings.setValue(settingsKey(s), s.text);
            }
        }
        QVERIFY(registry.commit());
        QCOMPARE(QByteArray::fromStdString(slurp(ours)), QByteArray::fromStdString(slurp(theirs)));
    }
};

QTEST_GUILESS_MAIN(IniRegistryQSettingsTest)
#include "ini_registry_qsettings_test.moc"
