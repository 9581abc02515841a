// The program as a user installs it: the Debian package installed and removed in a root of its
// own; `cmake --install` into a temporary root, the desktop entry checked by desktop-file-validate,
// the icon in every theme size, and the installed program started from its entry's Exec on a private
// desktop, with its window icon and a login entry that starts the installed program, not the build.
#include "MainWindowReplica.h"
#include "QuarlinProgram.h"
#include "TestDesktop.h"

#include "platform/x11/DesktopEntry.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Runs a program to its end; gives its exit code, -1 when it did not finish, with the output in output.
int run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
        QString* output) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    *output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
} // namespace

class InstallE2ETest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theInstalledProgramStartsFromItsDesktopEntry() {
        QTemporaryDir root;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), root.path());
        QString output;
        QCOMPARE(run(QStringLiteral(QUARLIN_CMAKE),
                     {QStringLiteral("--install"), QStringLiteral(QUARLIN_BUILD_DIR)}, environment, &output),
                 0);
        const QString prefix = root.filePath(QStringLiteral("usr/local"));
        const QString entryPath = prefix + QStringLiteral("/share/applications/io.github.quarlin.desktop");
        QCOMPARE(run(QStringLiteral("desktop-file-validate"), {entryPath}, environment, &output), 0);
        QCOMPARE(output, QString());
        QStringList icons{QStringLiteral("scalable/apps/io.github.quarlin.svg")};
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            icons << QStringLiteral("%1x%1/apps/io.github.quarlin.png").arg(size);
        for (const QString& icon : icons)
            QVERIFY2(QFile::exists(prefix + QStringLiteral("/share/icons/hicolor/") + icon),
                     qPrintable(icon));
        QVERIFY(QFile::exists(prefix + QStringLiteral("/share/doc/quarlin/README.md")));
        QVERIFY(QFile::exists(
            prefix + QStringLiteral("/share/quarlin/KeyboardShortcuts_KeyboardShortcuts.bundle/en.json")));

        // Start what the entry's Exec names, found on PATH as a launcher would.
        const std::optional<DesktopEntry> entry = DesktopEntry::load(entryPath, QString());
        QVERIFY(entry);
        QCOMPARE(entry->icon, QStringLiteral("io.github.quarlin"));
        QProcessEnvironment installed;
        installed.insert(QStringLiteral("PATH"),
                         prefix + QStringLiteral("/bin:") + qEnvironmentVariable("PATH"));
        installed.insert(QStringLiteral("XDG_DATA_DIRS"), prefix + QStringLiteral("/share:/usr/share"));
        qputenv("PATH", installed.value(QStringLiteral("PATH")).toUtf8());
        const std::optional<QStringList> exec = DesktopEntry::splitExec(entry->exec);
        QVERIFY(exec && !exec->isEmpty());
        const std::optional<QString> program = DesktopEntry::findProgram(exec->first());
        QCOMPARE(program, prefix + QStringLiteral("/bin/quarlin"));

        TestDesktop desktop;
        QVERIFY2(desktop.isReady(), qPrintable(desktop.error()));
        QuarlinProgram quarlin(desktop, QStringLiteral("installed"));
        quarlin.setProgram(*program);
        quarlin.addEnvironment(installed);
        QVERIFY2(quarlin.start(exec->mid(1)), qPrintable(quarlin.error()));
        // Taskbars match the window to the entry by its class, and show the icon it carries.
        QCOMPARE(desktop.wmClass(quarlin.window()).section(QLatin1Char('.'), 1), entry->startupWMClass);
        QCOMPARE(
            run(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(quarlin.window()), QStringLiteral("_NET_WM_ICON")},
                desktop.environment(), &output),
            0);
        QStringList sizes;
        const QRegularExpression iconHeader(QStringLiteral("Icon \\((\\d+) x \\d+\\)"));
        for (auto it = iconHeader.globalMatch(output); it.hasNext();)
            sizes << it.next().captured(1);
        // Panels, switchers and docks draw these sizes (Qt leaves out the largest ones).
        for (const char* size : {"16", "24", "32", "48", "64"})
            QVERIFY2(sizes.contains(QLatin1String(size)), qPrintable(sizes.join(QLatin1Char(' '))));

        // Launch at login, switched on in the settings tab, starts the installed program.
        Replica replica(quarlin.clientGeometry().size());
        QVERIFY(quarlin.click(replica.tab(MainView::Tab::settings)));
        replica.view->pressTab(MainView::Tab::settings);
        QVERIFY(quarlin.click(replica.centreOf(replica.in<QCheckBox>("launchAtLoginToggle"))));
        QVERIFY2(desktop.waitFor([&] { return QFile::exists(quarlin.autostartPath()); }),
                 qPrintable(quarlin.output()));
        const std::optional<DesktopEntry> login = DesktopEntry::load(quarlin.autostartPath(), QString());
        QVERIFY(login);
        QCOMPARE(login->exec, entry->exec);
        // A login session finds it by its TryExec while it is installed, and skips it once it is not.
        QCOMPARE(QStandardPaths::findExecutable(login->tryExec, {prefix + QStringLiteral("/bin")}),
                 prefix + QStringLiteral("/bin/quarlin"));
        QVERIFY(!quarlin.output().contains(QStringLiteral("not installed")));
        QVERIFY(!quarlin.screenshot(QStringLiteral("settings")).isEmpty());
    }

    // The package target builds the program alone (cpack asks for it), not every test first.
    void thePackageTargetWaitsForNoTest() {
        if (!QFile::exists(QStringLiteral(QUARLIN_BUILD_DIR "/build.ninja")))
            QSKIP("not a Ninja build");
        QString output;
        QCOMPARE(run(QStringLiteral(QUARLIN_MAKE_PROGRAM),
                     {QStringLiteral("-C"), QStringLiteral(QUARLIN_BUILD_DIR), QStringLiteral("-t"),
                      QStringLiteral("inputs"), QStringLiteral("package")},
                     QProcessEnvironment::systemEnvironment(), &output),
                 0);
        const QRegularExpression test(QStringLiteral("^(tests|bench)/"), QRegularExpression::MultilineOption);
        QVERIFY2(!output.contains(test), qPrintable(output.left(2000)));
    }

    // The Debian package: libraries from the program's own links, and it installs and removes
    // cleanly (into a root of its own, with a database of its own).
    void theDebianPackageInstallsAndRemovesCleanly() {
        QTemporaryDir out;
        const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QString output;
        QCOMPARE(run(QStringLiteral("cpack"),
                     {QStringLiteral("--config"), QStringLiteral(QUARLIN_BUILD_DIR "/CPackConfig.cmake"),
                      QStringLiteral("-B"), out.path()},
                     environment, &output),
                 0);
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("quarlin_*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = out.filePath(debs.first());
        QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb, QStringLiteral("Depends")},
                     environment, &output),
                 0);
        for (const char* library :
             {"libqt6widgets6", "libxcb1", "libsqlite3-0", "fonts-material-design-icons"})
            QVERIFY2(output.contains(QLatin1String(library)), qPrintable(output));

        const QString root = out.filePath(QStringLiteral("root"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/var/lib/dpkg/updates")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/var/lib/dpkg/info")));
        QFile status(root + QStringLiteral("/var/lib/dpkg/status"));
        QVERIFY(status.open(QIODevice::WriteOnly));
        status.close();
        const QStringList dpkg{QStringLiteral("--root=") + root, QStringLiteral("--log=/dev/null"),
                               QStringLiteral("--force-depends"), QStringLiteral("--force-not-root")};
        QCOMPARE(
            run(QStringLiteral("dpkg"), dpkg + QStringList{QStringLiteral("-i"), deb}, environment, &output),
            0);
        QVERIFY(QFile::exists(root + QStringLiteral("/usr/bin/quarlin")));
        QVERIFY(QFile::exists(root + QStringLiteral("/usr/share/applications/io.github.quarlin.desktop")));
        QCOMPARE(run(QStringLiteral("dpkg"),
                     dpkg + QStringList{QStringLiteral("-r"), QStringLiteral("quarlin")}, environment,
                     &output),
                 0);
        QVERIFY2(!QDir(root + QStringLiteral("/usr")).exists(), qPrintable(output));
    }
};

int main(int argc, char** argv) {
    // The replica needs no display; the program under test runs on the private desktop.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    InstallE2ETest test;
    return QTest::qExec(&test, argc, argv);
}
#include "InstallE2ETest.moc"
