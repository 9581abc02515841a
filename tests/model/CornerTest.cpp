// Positions are stored by their raw value, so the names and their order must never drift.
#include "model/Corner.h"

#include <QTest>

class CornerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rawValues_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("raw");
        const char* expected[] = {"topLeft",         "topRight",       "bottomLeft", "bottomRight",
                                  "topHalf",         "bottomHalf",     "leftHalf",   "rightHalf",
                                  "leftThird",       "centerThird",    "rightThird", "leftTwoThirds",
                                  "centerTwoThirds", "rightTwoThirds", "fullScreen"};
        for (int i = 0; i < 15; ++i)
            QTest::newRow(expected[i]) << i << QString::fromLatin1(expected[i]);
    }
    void rawValues() {
        QFETCH(int, index);
        QFETCH(QString, raw);
        const Corner corner = CornerInfo::allCases[static_cast<size_t>(index)];
        QCOMPARE(static_cast<int>(corner), index);
        QCOMPARE(CornerInfo::rawValue(corner), raw);
        QCOMPARE(CornerInfo::fromRawValue(raw), std::optional<Corner>(corner));
    }

    void unknownTextsGiveNothing() {
        QVERIFY(!CornerInfo::fromRawValue(QStringLiteral("TopLeft")));
        QVERIFY(!CornerInfo::fromRawValue(QString()));
        QVERIFY(!CornerInfo::fromRawValue(QStringLiteral("topLeft ")));
    }
};

QTEST_GUILESS_MAIN(CornerTest)
#include "CornerTest.moc"
