// Desktop entries: Exec splitting, localized names, and finding entries by id as XDG defines.
#include "platform/x11/DesktopEntry.h"
#include "platform/x11/DesktopEntryIndex.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray app(const QByteArray& name, const QByteArray& exec, const QByteArray& extra = {}) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n" + extra;
}

} // namespace

class DesktopEntryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void splitsExecLikeTheDesktopEntryRules_data() {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("argv"); // empty: rejected

        QTest::newRow("plain") << "xterm" << QStringList{"xterm"};
        QTest::newRow("arguments") << "xterm -class Foo -e top"
                                   << QStringList{"xterm", "-class", "Foo", "-e", "top"};
        QTest::newRow("blank runs") << "  gedit \t --new-window  " << QStringList{"gedit", "--new-window"};
        QTest::newRow("file codes dropped") << "gedit %U" << QStringList{"gedit"};
        QTest::newRow("every code dropped")
            << "app %f %F %u %U %i %c %k %d %D %n %N %v %m" << QStringList{"app"};
        QTest::newRow("code inside an argument") << "app --file=%f" << QStringList{"app", "--file="};
        QTest::newRow("percent kept") << "printf 100%%" << QStringList{"printf", "100%"};
        QTest::newRow("quoted blank") << "\"/opt/My App/run\" --x" << QStringList{"/opt/My App/run", "--x"};
        QTest::newRow("quoted escapes")
            << "echo \"a \\\"b\\\" \\$HOME \\\\ \\`x\\`\"" << QStringList{"echo", "a \"b\" $HOME \\ `x`"};
        QTest::newRow("empty quoted argument kept") << "app \"\" x" << QStringList{"app", "", "x"};
        QTest::newRow("shell words are only words")
            << "sh -c rm;reboot" << QStringList{"sh", "-c", "rm;reboot"};
        QTest::newRow("dollar stays text") << "app $HOME `id`" << QStringList{"app", "$HOME", "`id`"};
        QTest::newRow("unterminated quote") << "app \"oops" << QStringList{};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("only a code") << "%U" << QStringList{};
    }
    void splitsExecLikeTheDesktopEntryRules() {
        QFETCH(QString, exec);
        QFETCH(QStringList, argv);
        const auto split = DesktopEntry::splitExec(exec);
        QCOMPARE(bool(split), !argv.isEmpty());
        if (split)
            QCOMPARE(*split, argv);
    }

    // Command lines read from running processes are written back as entries: every argument comes
    // back as it was, whatever it holds.
    void joinedCommandLinesSplitBackUnchanged() {
        const QStringList arguments{"/opt/My App/run",       "100%",      "%U",
                                    "a \"b\" $HOME \\ `id`", "rm;reboot", "",
                                    "two\nlines\tand tab",   "plain"};
        const auto entry = DesktopEntry::parse(app("X", DesktopEntry::joinExec(arguments).toUtf8()), {});
        QVERIFY(entry);
        QCOMPARE(DesktopEntry::splitExec(entry->exec), arguments);
    }

    void readsTheFieldsAndTheActions() {
        const QByteArray text = "# comment\n"
                                "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=Text Editor\n"
                                "Name[de]=Texteditor\n"
                                "Name[de_CH]=Texteditor CH\n"
                                "Name[sr@latin]=Uređivač\n"
                                "Exec=gedit\\s--new %U\n"
                                "TryExec=gedit\n"
                                "Icon=org.gnome.gedit\n"
                                "StartupWMClass = Gedit \n"
                                "NoDisplay=true\n"
                                "Actions=new-window;new-document;missing;\n"
                                "[Desktop Action new-window]\n"
                                "Name=New Window\n"
                                "Name[de]=Neues Fenster\n"
                                "Exec=gedit --new-window\n"
                                "[Desktop Action new-document]\n"
                                "Name=New Document\n"
                                "Exec=gedit --new-document\n"
                                "[Other Group]\n"
                                "Name=Not this\n";
        const auto entry = DesktopEntry::parse(text, QString());
        QVERIFY(entry);
        const QStringList fields{entry->type,    entry->name, entry->exec,
                                 entry->tryExec, entry->icon, entry->startupWMClass};
        QCOMPARE(fields, (QStringList{"Application", "Text Editor", "gedit --new %U", "gedit",
                                      "org.gnome.gedit", "Gedit"}));
        QVERIFY(entry->noDisplay && !entry->hidden);
        QCOMPARE(entry->actions.size(), 2); // an action without its group is left out
        QCOMPARE(entry->actions[0].name, QStringLiteral("New Window"));
        QCOMPARE(entry->actions[0].exec, QStringLiteral("gedit --new-window"));
        QCOMPARE(entry->actions[1].id, QStringLiteral("new-document"));

        const QList<std::pair<QString, QString>> names{{"de_DE.UTF-8", "Texteditor"},
                                                       {"de_CH.UTF-8", "Texteditor CH"},
                                                       {"sr_RS@latin", "Uređivač"},
                                                       {"fr_FR.UTF-8", "Text Editor"}};
        for (const auto& [locale, name] : names)
            QCOMPARE(DesktopEntry::parse(text, locale)->name, name);
        QCOMPARE(DesktopEntry::parse(text, QStringLiteral("de"))->actions[0].name,
                 QStringLiteral("Neues Fenster"));

        QVERIFY(!DesktopEntry::parse("[Desktop Action x]\nName=a\n", QString()));
    }

    void installedMeansAnApplicationWhoseProgramExists_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("installed");
        QTest::newRow("program in PATH") << app("Sh", "sh -c true") << true;
        QTest::newRow("absolute program") << app("Sh", "/bin/sh") << true;
        QTest::newRow("program missing") << app("X", "no-such-program-quarlin") << false;
        QTest::newRow("try exec missing") << app("X", "sh", "TryExec=no-such-program-quarlin\n") << false;
        QTest::newRow("hidden") << app("X", "sh", "Hidden=true\n") << false;
        QTest::newRow("no display is still installed") << app("X", "sh", "NoDisplay=true\n") << true;
        QTest::newRow("a link") << QByteArray("[Desktop Entry]\nType=Link\nName=X\nURL=https://x\n") << false;
        QTest::newRow("relative path") << app("X", "bin/sh") << false;
        QTest::newRow("malformed exec") << app("X", "\"sh") << false;
    }
    void installedMeansAnApplicationWhoseProgramExists() {
        QFETCH(QByteArray, text);
        QFETCH(bool, installed);
        const auto entry = DesktopEntry::parse(text, QString());
        QVERIFY(entry);
        QCOMPARE(entry->isInstalledApplication(), installed);
    }

    void findsEntriesByIdInPrecedenceOrder() {
        QTemporaryDir dir;
        const QString user = dir.filePath(QStringLiteral("user/applications"));
        const QString system = dir.filePath(QStringLiteral("system/applications"));
        write(user + "/mine.desktop", app("Mine", "sh"));
        write(system + "/mine.desktop", app("System Mine", "sh"));
        write(system + "/kde4/konsole.desktop", app("Konsole", "sh", "StartupWMClass=KonsoleClass\n"));
        write(system + "/removed.desktop", app("Removed", "sh"));
        write(user + "/removed.desktop", app("Removed", "sh", "Hidden=true\n"));
        write(system + "/notes.txt", "not an entry");
        write(system + "/Editor.desktop", app("Editor", "sh"));

        DesktopEntryIndex index({user, system}, QString());
        QCOMPARE(index.entry(QStringLiteral("mine"))->name, QStringLiteral("Mine"));
        QCOMPARE(index.entry(QStringLiteral("kde4-konsole"))->name, QStringLiteral("Konsole"));
        QVERIFY(!index.entry(QStringLiteral("konsole")));
        QVERIFY(index.entry(QStringLiteral("removed"))->hidden); // the user's copy hides the system one
        QVERIFY(!index.entry(QStringLiteral("notes")));

        QCOMPARE(index.idForWindowClass(QStringLiteral("konsoleclass")), QStringLiteral("kde4-konsole"));
        QCOMPARE(index.idForWindowClass(QStringLiteral("editor")), QStringLiteral("Editor"));
        QVERIFY(!index.idForWindowClass(QStringLiteral("removed")));
        QCOMPARE(index.idForApplicationId(QStringLiteral("mine.desktop")), QStringLiteral("mine"));

        // A new entry is seen without restarting.
        write(user + "/later.desktop", app("Later", "sh"));
        QVERIFY(index.entry(QStringLiteral("later")));
        QCOMPARE(index.entry(QStringLiteral("later"))->name, QStringLiteral("Later"));
    }

    void neverReachesOutsideTheApplicationFolders_data() {
        QTest::addColumn<QString>("id");
        QTest::newRow("parent") << "../outside";
        QTest::newRow("dots only") << "..";
        QTest::newRow("slash") << "sub/mine";
        QTest::newRow("absolute") << "/etc/passwd";
        QTest::newRow("backslash") << "sub\\mine";
        QTest::newRow("empty") << "";
    }
    void neverReachesOutsideTheApplicationFolders() {
        QFETCH(QString, id);
        QTemporaryDir dir;
        const QString apps = dir.filePath(QStringLiteral("a/applications"));
        write(dir.filePath(QStringLiteral("a/outside.desktop")), app("Outside", "sh"));
        write(apps + "/sub/mine.desktop", app("Sub", "sh"));
        DesktopEntryIndex index({apps}, QString());
        QVERIFY(!DesktopEntryIndex::isSafeId(id));
        QVERIFY(!index.entry(id));
        QVERIFY(!index.idForApplicationId(id));
    }

    void mapsExecutablesButNotInterpreters() {
        QTemporaryDir dir;
        const QString apps = dir.filePath(QStringLiteral("applications"));
        write(apps + "/shell-tool.desktop", app("Tool", "sh -c true"));
        write(apps + "/true.desktop", app("True", "true"));
        write(apps + "/true-helper.desktop", app("True helper", "true --x", "NoDisplay=true\n"));
        DesktopEntryIndex index({apps}, QString());
        const auto truePath = DesktopEntry::findProgram(QStringLiteral("true"));
        QVERIFY(truePath);
        QCOMPARE(index.idForExecutable(*truePath), QStringLiteral("true"));
        QVERIFY(!index.idForExecutable(*DesktopEntry::findProgram(QStringLiteral("sh"))));
    }
};

QTEST_GUILESS_MAIN(DesktopEntryTest)
#include "DesktopEntryTest.moc"
