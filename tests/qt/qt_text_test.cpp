#include "qt/qt_text.h"

#include <QtTest>

class QtTextTest : public QObject {
    Q_OBJECT
private slots:
    void convertsBothWays() {
        const QString text = QStringLiteral("케스트로바네 1.0");
        const auto bytes = kv::toCp949(text);
        QVERIFY(bytes.has_value());
        QCOMPARE(bytes->size(), std::size_t(6 * 2 + 4));
        QCOMPARE(kv::fromCp949(*bytes), text);
    }
    void countsBytesAndRefusesWhatCp949CannotHold() {
        QCOMPARE(kv::cp949Length(QStringLiteral("가a")).value(), std::size_t(3));
        QVERIFY(!kv::cp949Length(QString::fromUtf8("\xF0\x9F\x98\x80")).has_value());
    }
};

QTEST_GUILESS_MAIN(QtTextTest)
#include "qt_text_test.moc"
