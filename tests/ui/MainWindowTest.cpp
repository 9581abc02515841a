// The main window as the core sees it and as the user meets it, the light and dark looks, and
// reading the desktop's own scheme.
#include "ui/MainWindow.h"
#include "ui/DesktopColorScheme.h"
#include "ui/QtApplicationShell.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

namespace {
void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}
} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensAsTheOneMainWindow() {
        MainWindow window;
        QSignalSpy appeared(&window, &MainWindow::contentAppeared);
        window.show();
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(window.frameGeometry().center().x() - available.center().x()) <= 1);

        // The update item follows the application's information item.
        const QList<QAction*> items = window.menuBar()->actions().first()->menu()->actions();
        QCOMPARE(items.at(0)->text(), "About Quarlin");
        QAction* updates = items.at(1);
        // It shows its key; the key itself is the program's, in every window (ApplicationCommands).
        QCOMPARE(updates->text(), "Check for Updates...\tCtrl+U");
        QVERIFY(updates->shortcut().isEmpty());
        QSignalSpy asked(&window, &MainWindow::checkForUpdatesRequested);
        updates->trigger();
        QCOMPARE(asked.count(), 1);

        // The content appears once until the window is closed.
        QCOMPARE(appeared.count(), 1);
        window.orderOut();
        QVERIFY(!window.isVisible());
        window.show();
        QCOMPARE(appeared.count(), 1);
        QVERIFY(window.close());
        window.show();
        QCOMPARE(appeared.count(), 2);
    }

    void answersTheCoresQuestions() {
        auto window = std::make_unique<MainWindow>([](const QRect& frame) -> std::optional<Screen> {
            return Screen{QStringLiteral("located %1").arg(frame.width()), Rect(), Rect(), 1.0};
        });
        QCOMPARE(window->screen(), std::nullopt);
        window->show();
        QVERIFY(window->screen()->id.startsWith("located"));
        QCOMPARE(window->level(), WindowLevel::normal());
        window->setWindowFlag(Qt::WindowStaysOnTopHint);
        QCOMPARE(window->level(), WindowLevel::floating());
        window->setAlphaValue(0);
        QCOMPARE(window->windowOpacity(), 0.0);

        QtApplicationShell shell;
        QCOMPARE(shell.windows(), QList<HostWindow*>{window.get()});
        window.reset();
        QVERIFY(shell.windows().isEmpty());
    }

    void looksAreFusionLightOrDark() {
        QtApplicationShell shell;
        MainWindow window;
        shell.setAppearance(AppTheme::dark);
        QCOMPARE(QApplication::style()->name().toLower(), "fusion");
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() < 64);
        shell.refreshAppearance(window);
        QVERIFY(window.palette().color(QPalette::WindowText).lightness() > 192);
        shell.setAppearance(AppTheme::light);
        shell.refreshAppearance(window);
        QVERIFY(QApplication::palette().color(QPalette::Window).lightness() > 192);
        QVERIFY(window.palette().color(QPalette::WindowText).lightness() < 64);
    }

    void readsTheDesktopsScheme_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<int>("expected"); // -1 none, 0 light, 1 dark
        QTest::newRow("nothing") << "" << QByteArray() << -1;
        QTest::newRow("kde dark") << "kdeglobals" << QByteArray("[General]\nColorScheme=BreezeDark\n") << 1;
        QTest::newRow("kde light") << "kdeglobals" << QByteArray("[General]\nColorScheme=BreezeLight\n") << 0;
        QTest::newRow("kde other group") << "kdeglobals" << QByteArray("[Colors]\nColorScheme=Dark\n") << -1;
        QTest::newRow("gtk prefers dark")
            << "gtk-3.0/settings.ini" << QByteArray("[Settings]\ngtk-application-prefer-dark-theme=1\n") << 1;
        QTest::newRow("gtk dark theme")
            << "gtk-4.0/settings.ini" << QByteArray("[Settings]\ngtk-theme-name=Adwaita-dark\n") << 1;
        QTest::newRow("gtk light theme")
            << "gtk-3.0/settings.ini"
            << QByteArray("[Settings]\ngtk-application-prefer-dark-theme=false\ngtk-theme-name = Adwaita\n")
            << 0;
    }
    void readsTheDesktopsScheme() {
        QFETCH(QString, file);
        QFETCH(QByteArray, contents);
        QFETCH(int, expected);
        qunsetenv("GTK_THEME");
        QTemporaryDir home;
        if (!file.isEmpty())
            write(home.filePath(file), contents);
        const std::optional<bool> dark = DesktopColorScheme::prefersDark(home.path());
        QCOMPARE(dark ? int(*dark) : -1, expected);
    }

    void theEnvironmentThemeComesFirst() {
        QTemporaryDir home;
        write(home.filePath("kdeglobals"), "[General]\nColorScheme=BreezeDark\n");
        qputenv("GTK_THEME", "Adwaita:light");
        QCOMPARE(DesktopColorScheme::prefersDark(home.path()), false);
        qputenv("GTK_THEME", "Adwaita:dark");
        QCOMPARE(DesktopColorScheme::prefersDark(home.path()), true);
        qunsetenv("GTK_THEME");
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
