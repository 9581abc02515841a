// Order keys: every key made lies strictly between its neighbours, is valid (never ends in the lowest
// digit, so another always fits), and long runs of insertions at one spot keep keys short.
#include "store/sync/OrderKey.h"

#include <QTest>

#include <algorithm>

class OrderKeyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void insertionsStayOrderedAndShort_data() {
        QTest::addColumn<QString>("spot");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("longest");
        QTest::newRow("front") << QStringLiteral("front") << 1000 << 210;
        QTest::newRow("back") << QStringLiteral("back") << 1000 << 210;
        QTest::newRow("one middle spot") << QStringLiteral("middle") << 1000 << 210;
        QTest::newRow("alternating ends") << QStringLiteral("ends") << 1000 << 110;
        QTest::newRow("spread") << QStringLiteral("spread") << 2000 << 8;
    }
    void insertionsStayOrderedAndShort() {
        QFETCH(QString, spot);
        QFETCH(int, count);
        QFETCH(int, longest);
        // A list of integer places read from an earlier file, then insertions.
        QStringList keys;
        for (int place = 0; place < 3; ++place)
            keys.append(OrderKey::fromPlace(place));
        quint32 seed = 7;
        for (int i = 0; i < count; ++i) {
            qsizetype at = 0;
            if (spot == QLatin1String("back"))
                at = keys.size();
            else if (spot == QLatin1String("middle"))
                at = 2;
            else if (spot == QLatin1String("ends"))
                at = i % 2 ? keys.size() : 0;
            else if (spot == QLatin1String("spread"))
                at = qsizetype((seed = seed * 1103515245u + 12345u) >> 8) % (keys.size() + 1);
            const QString key =
                OrderKey::between(at > 0 ? keys[at - 1] : QString(), at < keys.size() ? keys[at] : QString());
            QVERIFY2(OrderKey::isValid(key), qPrintable(key));
            QVERIFY2(at == 0 || keys[at - 1] < key, qPrintable(keys.value(at - 1) + u' ' + key));
            QVERIFY2(at == keys.size() || key < keys[at], qPrintable(key + u' ' + keys.value(at)));
            keys.insert(at, key);
        }
        QVERIFY(std::is_sorted(keys.cbegin(), keys.cend()));
        QVERIFY(std::adjacent_find(keys.cbegin(), keys.cend()) == keys.cend());
        const auto longer = [](const QString& a, const QString& b) { return a.size() < b.size(); };
        const qsizetype length = std::max_element(keys.cbegin(), keys.cend(), longer)->size();
        QVERIFY2(length <= longest, qPrintable(QString::number(length)));
    }

    void betweenAnyTwoKeys_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("open both") << QString() << QString();
        QTest::newRow("adjacent digits") << QStringLiteral("1") << QStringLiteral("2");
        QTest::newRow("prefix of the other") << QStringLiteral("1") << QStringLiteral("105");
        QTest::newRow("lowest digits inside") << QStringLiteral("10001") << QStringLiteral("1001");
        QTest::newRow("highest digits") << QStringLiteral("zzz") << QString();
        QTest::newRow("below the lowest key") << QString() << QStringLiteral("01");
        QTest::newRow("after shares a long prefix") << QStringLiteral("abc") << QStringLiteral("abcz");
    }
    void betweenAnyTwoKeys() {
        QFETCH(QString, before);
        QFETCH(QString, after);
        const QString key = OrderKey::between(before, after);
        QVERIFY2(OrderKey::isValid(key), qPrintable(key));
        QVERIFY2(before.isEmpty() || before < key, qPrintable(key));
        QVERIFY2(after.isEmpty() || key < after, qPrintable(key));
    }

    void integerPlacesKeepTheirOrder() {
        const QList<qint64> places = {-5, 0, 1, 9, 10, 61, 62, 63, 3843, 3844, 1'000'000, qint64(1) << 40};
        for (qsizetype i = 0; i < places.size(); ++i) {
            const QString key = OrderKey::fromPlace(places[i]);
            QVERIFY2(OrderKey::isValid(key), qPrintable(key));
            if (i > 1)
                QVERIFY2(OrderKey::fromPlace(places[i - 1]) < key, qPrintable(key));
        }
        QCOMPARE(OrderKey::fromPlace(-5), OrderKey::fromPlace(0));
    }

    void damagedKeysAreRefused_data() {
        QTest::addColumn<QString>("key");
        QTest::newRow("empty") << QString();
        QTest::newRow("ends in the lowest digit") << QStringLiteral("A0");
        QTest::newRow("not a digit") << QStringLiteral("A-B");
        QTest::newRow("too long") << QString(OrderKey::maxLength + 1, u'V');
    }
    void damagedKeysAreRefused() {
        QFETCH(QString, key);
        QVERIFY(!OrderKey::isValid(key));
    }
};

QTEST_GUILESS_MAIN(OrderKeyTest)
#include "OrderKeyTest.moc"
