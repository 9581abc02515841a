// The textual forms of console values, the capture of console lines and what the console prints.
#include "base/Format.h"
#include "base/Log.h"
#include "base/LogCapture.h"

#include <QProcess>
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

    // Names from the sync folder and other machines reach the console; each must stay on its line
    // and say nothing to the terminal.
    void controlCharactersAreEscaped_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char* tag, const QString& text, const char* shown) {
            QTest::newRow(tag) << text << QString::fromUtf8(shown);
        };
        row("plain", QStringLiteral("Développement 🚀 \\ \"x\""), "Développement 🚀 \\ \"x\"");
        row("line breaks", QStringLiteral("a\nb\r\nc\td"), "a\\nb\\r\\nc\\td");
        row("terminal commands", QStringLiteral("\x1b[2J\x1b]0;x\x07\x7f"), "\\x1b[2J\\x1b]0;x\\x07\\x7f");
        row("eight-bit controls", QString(QChar(0x9b)) + QStringLiteral("31m"), "\\x9b31m");
        row("line separators", QStringLiteral("a") + QChar(0x2028) + QChar(0x2029), "a\\u2028\\u2029");
        row("nul", QString(QChar(0)) + QStringLiteral("."), "\\x00.");
    }
    void controlCharactersAreEscaped() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(printable(text), shown);
        LogCapture log;
        logWarning(lcSync, QStringLiteral("⚠️ Sync: skipped ") + text);
        QCOMPARE(log.lines(), QStringList{QStringLiteral("⚠️ Sync: skipped ") + shown});
    }

    // A capture switches every level of our categories on: debugging traces included.
    void nestedCapturesSeeOnlyTheirOwnLines() {
        QVERIFY(!lcPlacement().isDebugEnabled());
        {
            LogCapture outer;
            logDebug(lcPlacement, QStringLiteral("first"));
            {
                LogCapture inner;
                logInfo(lcSync, QStringLiteral("second"));
                QCOMPARE(inner.lines(), QStringList{QStringLiteral("second")});
            }
            logWarning(lcStore, QStringLiteral("third"));
            QCOMPARE(outer.take(), (QStringList{QStringLiteral("first"), QStringLiteral("third")}));
            QVERIFY(outer.lines().isEmpty());
        }
        QVERIFY(!lcPlacement().isDebugEnabled());
    }

    void theConsolePrintsOurLinesAsWrittenAndTheRulesChooseWhich_data() {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QStringList>("printed");
        const QString trace = QStringLiteral("🔧 COORDINATE DEBUG: placement trace");
        const QString positioning = QStringLiteral("📌 Positioning  with spaces kept ");
        const QString failed = QStringLiteral("❌ Could not find \"quoted\" <b>text</b>");
        const QString syncTrace = QStringLiteral("sync trace");
        const QString merged = QStringLiteral("🔄 Sync: merged 1 changes");
        QTest::newRow("by default info and warning") << QString() << QStringList{positioning, failed, merged};
        QTest::newRow("every debug line") << QStringLiteral("quarlin.*.debug=true")
                                          << QStringList{trace, positioning, failed, syncTrace, merged};
        QTest::newRow("one category's debug lines") << QStringLiteral("quarlin.sync.debug=true")
                                                    << QStringList{positioning, failed, syncTrace, merged};
        QTest::newRow("warnings only") << QStringLiteral("quarlin.*.info=false") << QStringList{failed};
    }
    void theConsolePrintsOurLinesAsWrittenAndTheRulesChooseWhich() {
        QFETCH(QString, rules);
        QFETCH(QStringList, printed);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        if (!rules.isEmpty())
            environment.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(QStringLiteral(QUARLIN_CONSOLE_PROBE), QStringList());
        QVERIFY(probe.waitForFinished());
        QCOMPARE(probe.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(probe.readAllStandardOutput()), printed.join(u'\n') + u'\n');
        // Other categories keep Qt's own handler and stream.
        QVERIFY(probe.readAllStandardError().contains("other"));
    }
};

QTEST_GUILESS_MAIN(FormatLogTest)
#include "FormatLogTest.moc"
