// Application icons: a running application's icon first, else the desktop entry's; theme names and
// file paths; the fallback when there is none.
#include "ui/home/ApplicationIcons.h"
#include "../../app/AppWorld.h"

#include <QIcon>
#include <QImage>
#include <QTemporaryDir>

class ApplicationIconsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void looksIconsUp() {
        AppWorld w;
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("editor.png"));
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(png));
        w.desktop.install(QStringLiteral("org.example.Editor"), QStringLiteral("Editor"));
        w.desktop.install(QStringLiteral("org.example.Plain"), QStringLiteral("Plain"));
        QStringList read;
        ApplicationIcons icons(w.platform, [&](const QString& location) {
            read << location;
            return location.contains(QStringLiteral("Editor")) ? png : QString();
        });

        // Installed, not running: the entry's Icon key (a path here); none without one.
        QVERIFY(!icons.iconFor(QStringLiteral("org.example.Editor")).isNull());
        QVERIFY(icons.iconFor(QStringLiteral("org.example.Plain")).isNull());
        QVERIFY(icons.iconFor(QStringLiteral("org.example.Missing")).isNull());
        QCOMPARE(read.size(), 2);

        // Running: the running application decides, also when it names no icon.
        icons.setRunningApps({RunningApp(QStringLiteral("Editor"), QStringLiteral("org.example.Editor"),
                                         std::nullopt, false)});
        QVERIFY(icons.iconFor(QStringLiteral("org.example.Editor")).isNull());
        QCOMPARE(read.size(), 2);

        // A theme name the theme lacks, and a path that does not exist, give none.
        QVERIFY(icons.icon(QStringLiteral("no-such-icon-name")).isNull());
        QVERIFY(icons.icon(dir.filePath(QStringLiteral("gone.png"))).isNull());
        QVERIFY(icons.icon(std::nullopt).isNull());
    }
};

QTEST_MAIN(ApplicationIconsTest)
#include "ApplicationIconsTest.moc"
