// The textual forms of console values and the capture of console lines.
#include "base/Format.h"
#include "base/Log.h"
#include "base/LogCapture.h"

#include <QTest>

class FormatLogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textForms() {
        QCOMPARE(str(-50.0), QStringLiteral("-50.0"));
        QCOMPARE(str(0.1 + 0.2), QStringLiteral("0.30000000000000004")); // shortest round trip
        QCOMPARE(str(Rect(0, 463, 720, 437)), QStringLiteral("(0.0, 463.0, 720.0, 437.0)"));
        QCOMPARE(str(Point{100, 400.5}), QStringLiteral("(100.0, 400.5)"));
        QCOMPARE(str(Size{720, 875}), QStringLiteral("(720.0, 875.0)"));
        QCOMPARE(str(true), QStringLiteral("true"));
        QCOMPARE(str(false), QStringLiteral("false"));
        QCOMPARE(str(-1), QStringLiteral("-1"));
        // A rectangle holds its minimum edges only.
        const Rect r(0, 0, 100, 50);
        QVERIFY(r.contains({0, 0}) && !r.contains({100, 10}) && !r.contains({10, 50}));
        QCOMPARE(Rect().united(Rect(10, 10, 5, 5)), Rect(0, 0, 15, 15));
    }

    void nestedCapturesSeeOnlyTheirOwnLines() {
        LogCapture outer;
        logLine(QStringLiteral("first"));
        {
            LogCapture inner;
            logLine(QStringLiteral("second"));
            QCOMPARE(inner.lines(), QStringList{QStringLiteral("second")});
        }
        logLine(QStringLiteral("third"));
        QCOMPARE(outer.take(), (QStringList{QStringLiteral("first"), QStringLiteral("third")}));
        QVERIFY(outer.lines().isEmpty());
    }
};

QTEST_GUILESS_MAIN(FormatLogTest)
#include "FormatLogTest.moc"
