// Starting programs from desktop entries: an argument list and never a shell, in a session of
// its own, and failures told to the caller.
#include "platform/x11/ProgramLauncher.h"
#include "platform/x11/X11Desktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// The file the started program writes last, once it is there (with a deadline).
QByteArray waitForFile(const QString& path) {
    if (!QTest::qWaitFor([&] { return QFile::exists(path); }, 10000))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ProgramLauncherTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void neverUsesAShell() {
        QTemporaryDir dir;
        const ProgramLauncher launcher(QProcessEnvironment::systemEnvironment());
        // Through a shell this would create "one" and "$(id)"; as words it is two odd file names.
        QCOMPARE(launcher.startExec(QStringLiteral("touch %1/one;touch %1/$(id)").arg(dir.path())),
                 std::nullopt);
        QVERIFY(QTest::qWaitFor([&] { return QFile::exists(dir.filePath(QStringLiteral("$(id)"))); }, 10000));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("one;touch"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("one"))));
    }

    void startsInASessionOfItsOwnWithTheGivenEnvironment() {
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4242.0"));
        const ProgramLauncher launcher(env);
        const QString out = dir.filePath(QStringLiteral("out"));
        // The shell here is the program being started, given its script as one argument.
        QCOMPARE(
            launcher.start({QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("ps -o sid= -p $$ > %1.tmp; echo $DISPLAY >> %1.tmp; mv %1.tmp %1")
                                .arg(out)}),
            std::nullopt);
        const QList<QByteArray> lines = waitForFile(out).split('\n');
        QVERIFY(lines.size() >= 2);
        QVERIFY(lines[0].trimmed().toInt() != int(getsid(0)));
        QCOMPARE(lines[1], QByteArray(":4242.0"));
    }

    void failuresReachTheCaller() {
        const ProgramLauncher launcher(QProcessEnvironment::systemEnvironment());
        QVERIFY(launcher.startExec(QStringLiteral("/nonexistent/program --x")));
        QVERIFY(launcher.startExec(QStringLiteral("no-such-program-quarlin")));
        QVERIFY(launcher.startExec(QStringLiteral("\"unterminated")));
        QVERIFY(launcher.startExec(QString()));
    }

    void tellsDisplaysApart() {
        const QList<std::tuple<QString, QString, bool>> cases{{":1", ":1", true},       {":1.0", ":1", true},
                                                              {"unix:1", ":1.0", true}, {":1", ":10", false},
                                                              {"host:1", ":1", false},  {"", ":1", false}};
        for (const auto& [a, b, same] : cases)
            QVERIFY2(X11Desktop::sameDisplay(a, b) == same, qPrintable(a + QStringLiteral(" and ") + b));
    }
};

QTEST_GUILESS_MAIN(ProgramLauncherTest)
#include "ProgramLauncherTest.moc"
