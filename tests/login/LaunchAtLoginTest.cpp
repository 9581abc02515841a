// Launch at login over an XDG autostart entry in a temporary configuration folder, and the check box
// that shows what the desktop did, not what was asked.
#include "login/LaunchAtLogin.h"
#include "base/LogCapture.h"
#include "platform/x11/DesktopEntry.h"
#include "platform/xdg/XdgAutostart.h"
#include "ui/main/LaunchAtLoginToggle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct RecordingLog : LoginLog {
    void logFailure(const QString& action, const QString& description) override {
        lines << QStringLiteral("Failed to %1 launch at login: %2").arg(action, description);
    }
    QStringList lines;
};

// Counts calls and can refuse them, for what the file system cannot show.
struct ScriptedService : LoginItemService {
    Status status() const override { return current; }
    std::optional<QString> registerService() override {
        calls << QStringLiteral("register");
        if (refuse)
            return QStringLiteral("refused");
        current = Status::enabled;
        return std::nullopt;
    }
    std::optional<QString> unregisterService() override {
        calls << QStringLiteral("unregister");
        current = Status::notRegistered;
        return std::nullopt;
    }
    Status current = Status::notRegistered;
    bool refuse = false;
    QStringList calls;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& contents, bool executable = false) {
    QFile f(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !f.open(QIODevice::WriteOnly))
        return false;
    f.write(contents);
    f.close();
    return !executable || f.setPermissions(f.permissions() | QFile::ExeOwner);
}

// Whether a login session starts the entry, read as the XDG autostart rules say: not Hidden, and
// a TryExec (absolute, or looked up in the session's PATH) that names an executable file.
bool sessionWouldStart(const QString& path, const QStringList& sessionPath) {
    const std::optional<DesktopEntry> entry = DesktopEntry::load(path, QString());
    if (!entry || entry->hidden)
        return false;
    if (entry->tryExec.isEmpty())
        return true;
    if (QDir::isAbsolutePath(entry->tryExec))
        return QFileInfo(entry->tryExec).isExecutable();
    return !QStandardPaths::findExecutable(entry->tryExec, sessionPath).isEmpty();
}
} // namespace

class LaunchAtLoginTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    QString configHome() const { return m_home.filePath(QStringLiteral("config")); }
    XdgAutostart autostart() const {
        return XdgAutostart(QStringLiteral("quarlin"), QStringLiteral("Quarlin"),
                            QStringLiteral("/opt/Quarlin App/quarlin"));
    }

private Q_SLOTS:
    void init() {
        QDir(configHome()).removeRecursively();
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    }

    void enablingWritesTheEntryAndDisablingRemovesIt() {
        XdgAutostart service = autostart();
        RecordingLog log;
        LaunchAtLogin launch(service, log);
        QSignalSpy changes(&launch, &LaunchAtLogin::didChange);
        const QString path = configHome() + QStringLiteral("/autostart/quarlin.desktop");
        QCOMPARE(service.entryPath(), path);
        QVERIFY(!launch.isEnabled());

        launch.setEnabled(true);
        QVERIFY(launch.isEnabled());
        QCOMPARE(readAll(path), QByteArray("[Desktop Entry]\n"
                                           "Type=Application\n"
                                           "Name=Quarlin\n"
                                           "Exec=\"/opt/Quarlin App/quarlin\"\n"
                                           "TryExec=/opt/Quarlin App/quarlin\n"
                                           "X-GNOME-Autostart-enabled=true\n"));
        QCOMPARE(QDir(configHome() + "/autostart").entryList(QDir::Files | QDir::Hidden).size(), 1);

        launch.setEnabled(false);
        QVERIFY(!QFile::exists(path));
        QVERIFY(!launch.isEnabled());
        launch.setEnabled(false); // nothing registered: nothing to report
        QCOMPARE(log.lines, QStringList());
        QCOMPARE(changes, (QList<QVariantList>{{true}, {false}, {false}}));

        // An entry the user hid is off.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nExec=quarlin\nHidden=true\n");
        file.close();
        QVERIFY(!launch.isEnabled());

        // A file where the autostart folder belongs: even root cannot create the folder.
        QVERIFY(QDir(configHome() + QStringLiteral("/autostart")).removeRecursively());
        QFile blocker(configHome() + QStringLiteral("/autostart"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        launch.setEnabled(true);
        QVERIFY(!launch.isEnabled());
        QCOMPARE(log.lines.size(), 1);
        QVERIFY2(log.lines.first().startsWith(QStringLiteral("Failed to enable launch at login: ")),
                 qPrintable(log.lines.first()));
    }

    // Installed, login starts what the installed entry starts; a build that is not installed names
    // itself and says so, since its folder may be gone by the next login.
    void loginStartsTheInstalledProgramWhenThereIsOne() {
        const QString path = configHome() + QStringLiteral("/autostart/quarlin.desktop");
        LogCapture console;
        XdgAutostart installed(QStringLiteral("quarlin"), QStringLiteral("Quarlin"),
                               QStringLiteral("/home/me/src/quarlin/build/src/quarlin"),
                               QStringLiteral("quarlin --from \\login"));
        QCOMPARE(installed.registerService(), std::nullopt);
        QVERIFY(readAll(path).contains("\nExec=quarlin --from \\\\login\n"));
        QCOMPARE(console.take(), QStringList());

        XdgAutostart buildTree(QStringLiteral("quarlin"), QStringLiteral("Quarlin"),
                               QStringLiteral("/home/me/src/quarlin/build/src/quarlin"));
        QCOMPARE(buildTree.registerService(), std::nullopt);
        QVERIFY(readAll(path).contains("\nExec=/home/me/src/quarlin/build/src/quarlin\n"));
        QCOMPARE(console.take(),
                 QStringList{QStringLiteral("Launch at login starts /home/me/src/quarlin/build/src/"
                                            "quarlin: Quarlin is not installed (no quarlin.desktop "
                                            "found)")});

        // Installed since: the entry the build wrote is brought to the installed program, once.
        QVERIFY(installed.updateToInstalledProgram());
        QVERIFY(readAll(path).contains("\nExec=quarlin --from \\\\login\n"));
        QVERIFY(!installed.updateToInstalledProgram());
        QVERIFY(!buildTree.updateToInstalledProgram());
    }

    // Once the program is gone (its package removed, its build folder deleted) the entry stays in
    // the user's folder, but a login session skips it.
    void aSessionSkipsTheEntryOnceTheProgramIsGone() {
        const QString path = configHome() + QStringLiteral("/autostart/quarlin.desktop");
        QTemporaryDir bin;
        const QString installedProgram = bin.filePath(QStringLiteral("quarlin"));
        QVERIFY(writeFile(installedProgram, "#!/bin/sh\n", true));
        XdgAutostart installed(QStringLiteral("quarlin"), QStringLiteral("Quarlin"),
                               QStringLiteral("/home/me/build/src/quarlin"),
                               QStringLiteral("quarlin --login"));
        QCOMPARE(installed.registerService(), std::nullopt);
        QVERIFY(sessionWouldStart(path, {bin.path()}));
        QVERIFY(QFile::remove(installedProgram));
        QVERIFY(!sessionWouldStart(path, {bin.path()}));

        const QString built = bin.filePath(QStringLiteral("my build/src/quarlin"));
        QVERIFY(writeFile(built, "#!/bin/sh\n", true));
        XdgAutostart buildTree(QStringLiteral("quarlin"), QStringLiteral("Quarlin"), built);
        QCOMPARE(buildTree.registerService(), std::nullopt);
        QVERIFY(sessionWouldStart(path, {}));
        QVERIFY(QFile::remove(built));
        QVERIFY(!sessionWouldStart(path, {}));

        // An entry that an earlier version wrote without TryExec gets one when the installed program
        // next starts, without a word: it starts the same program as before.
        QVERIFY(writeFile(path, "[Desktop Entry]\nType=Application\nName=Quarlin\nExec=quarlin --login\n"
                                "X-GNOME-Autostart-enabled=true\n"));
        QVERIFY(sessionWouldStart(path, {bin.path()}));
        LogCapture console;
        QVERIFY(installed.updateToInstalledProgram());
        QVERIFY(!installed.updateToInstalledProgram());
        QCOMPARE(console.take(), QStringList());
        QVERIFY(!sessionWouldStart(path, {bin.path()}));
    }

    void execArgumentsAreQuotedAsTheDesktopEntryRulesAsk() {
        const QList<std::pair<QString, QString>> cases = {{"/usr/bin/quarlin", "/usr/bin/quarlin"},
                                                          {"/opt/My App/q", "\"/opt/My App/q\""},
                                                          {"/opt/$x", "\"/opt/\\\\$x\""},
                                                          {"/opt/a\"b", "\"/opt/a\\\\\"b\""},
                                                          {"/opt/100%", "/opt/100%%"},
                                                          {"", "\"\""}};
        for (const auto& [argument, quoted] : cases)
            QCOMPARE(XdgAutostart::quoteExecArgument(argument), quoted);
    }

    void theCheckBoxShowsTheDesktopsAnswer() {
        ScriptedService service;
        RecordingLog log;
        LaunchAtLogin launch(service, log);
        LaunchAtLoginToggle toggle(launch);
        QCOMPARE(toggle.text(), QStringLiteral("Launch at login"));
        QVERIFY(!toggle.isChecked());
        toggle.click();
        QVERIFY(toggle.isChecked());
        // Enabling while enabled keeps the registration.
        launch.setEnabled(true);
        QCOMPARE(service.calls, QStringList{QStringLiteral("register")});
        toggle.click();
        QVERIFY(!toggle.isChecked());
        // Waiting for approval is not enabled: asked again, refused, logged and shown as off.
        service.current = LoginItemService::Status::requiresApproval;
        service.refuse = true;
        toggle.click();
        QVERIFY(!toggle.isChecked());
        QCOMPARE(service.calls, (QStringList{"register", "unregister", "register"}));
        QCOMPARE(log.lines, QStringList{QStringLiteral("Failed to enable launch at login: refused")});
        // Switched on elsewhere: seen when the box is shown again.
        service.current = LoginItemService::Status::enabled;
        toggle.show();
        QVERIFY(toggle.isChecked());
    }

    void withoutXdgConfigHomeTheEntryGoesToDotConfig() {
        for (const char* value : {"", "relative/path"}) {
            qputenv("XDG_CONFIG_HOME", value);
            QCOMPARE(autostart().entryPath(), QDir::homePath() + "/.config/autostart/quarlin.desktop");
        }
    }
};

QTEST_MAIN(LaunchAtLoginTest)
#include "LaunchAtLoginTest.moc"
