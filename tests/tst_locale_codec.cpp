// The locale codec used in UTF-8 locales converts exactly as Qt's own UTF-8 codec: plain ASCII
// by itself, everything else (and every conversion with a state) through Qt's codec.
#include "platform/x11/Utf8LocaleCodec.h"

#include <QTextCodec>
#include <QtTest>

class TestLocaleCodec : public QObject {
    Q_OBJECT
    // Registered codecs belong to Qt, which deletes them when it ends.
    QTextCodec* m_codec = new Utf8LocaleCodec;
    QTextCodec* m_qt_utf8 = QTextCodec::codecForName("UTF-8");

private slots:
    // Bytes to decode and a text to encode.
    void converts_as_utf8_does_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("ascii") << QByteArray("/home/user/.config/Corvana")
                               << QStringLiteral("/tmp/Corvana-abc/file.txt");
        QTest::newRow("nul inside") << QByteArray("a\0b", 3) << QString::fromLatin1("a\0b", 3);
        QTest::newRow("umlauts and euro") << QByteArray("Grüße €") << QStringLiteral("Grüße");
        QTest::newRow("outside the BMP") << QByteArray("clef 𝄞") << QStringLiteral("𝄞");
        QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbftext") << QString();
        QTest::newRow("invalid bytes, lone surrogate")
            << QByteArray("a\xff\xfe b \xc3") << QString(QChar(0xd800)) + QLatin1String("x");
        // A literal's characters live in read-only memory: converting must only read them.
        QTest::newRow("overlong slash, read-only text")
            << QByteArray("\xc0\xaf") << QStringLiteral("read-only ascii");
    }
    void converts_as_utf8_does() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QVERIFY(m_qt_utf8 && m_qt_utf8 != m_codec);
        QCOMPARE(m_codec->toUnicode(bytes), m_qt_utf8->toUnicode(bytes));
        QCOMPARE(m_codec->fromUnicode(text), m_qt_utf8->fromUnicode(text));
    }

    void keeps_sequences_split_across_chunks() {
        const QByteArray bytes("ab€𝄞cd");
        for (int cut = 0; cut <= bytes.size(); ++cut) {
            QScopedPointer<QTextDecoder> decoder(m_codec->makeDecoder());
            QString text = decoder->toUnicode(bytes.left(cut));
            text += decoder->toUnicode(bytes.mid(cut));
            QCOMPARE(text, QString::fromUtf8(bytes));
            QVERIFY(!decoder->hasFailure());
        }
        // A stateful encoder writes what Qt's does, ASCII included.
        QScopedPointer<QTextEncoder> ours(m_codec->makeEncoder());
        QScopedPointer<QTextEncoder> qts(m_qt_utf8->makeEncoder());
        for (const QString& part : {QStringLiteral("abc"), QStringLiteral("€")})
            QCOMPARE(ours->fromUnicode(part), qts->fromUnicode(part));
    }

    void installed_only_in_utf8_locales() {
        const QByteArray saved = qgetenv("LC_ALL");
        QTextCodec* const before = QTextCodec::codecForLocale();
        qputenv("LC_ALL", "C");
        QVERIFY(!Utf8LocaleCodec::install());
        QCOMPARE(QTextCodec::codecForLocale(), before);
        qputenv("LC_ALL", "C.UTF-8");
        QVERIFY(Utf8LocaleCodec::install());
        QTextCodec* const installed = QTextCodec::codecForLocale();
        QVERIFY(installed != before);
        QCOMPARE(installed->mibEnum(), 106);
        const QString text = QStringLiteral("café /tmp/x");
        QCOMPARE(QString::fromLocal8Bit(text.toLocal8Bit()), text);
        QCOMPARE(text.toLocal8Bit(), text.toUtf8());
        QTextCodec::setCodecForLocale(before);
        qputenv("LC_ALL", saved); // empty is as unset
    }
};

QTEST_MAIN(TestLocaleCodec)
#include "tst_locale_codec.moc"
