// What the user is told about the preferences file: when it could not be read (what failed, which
// file, where the damaged copy is, whether changes are saved at all), and when a change could not be
// saved.
#include "../support/WidgetScreenshot.h"
#include "base/JsonPreferenceStore.h"
#include "base/LogCapture.h"
#include "ui/notices/PreferencesErrorDialog.h"
#include "ui/notices/PreferencesWriteNotice.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

class PreferencesNoticesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saysWhatFailedWhereAndWhereTheDamagedCopyIs() {
        const QString path = QStringLiteral("/home/<b>me</b>/.config/quarlin/preferences.json");
        const QString aside = path + QStringLiteral(".damaged-20261207-101500");
        PreferencesErrorDialog kept(path, QStringLiteral("illegal value"), aside);
        const QStringList lines = kept.text().split(u'\n');
        QCOMPARE(lines.mid(1, 3),
                 (QStringList{QStringLiteral("Illegal value"), QStringLiteral("File: ") + path,
                              QStringLiteral("The damaged file was kept unchanged as: ") + aside}));
        // Paths are shown as they are, never as markup.
        for (QLabel* label : kept.findChildren<QLabel*>())
            if (!label->text().isEmpty())
                QCOMPARE(label->textFormat(), Qt::PlainText);

        // Not moved: the user must learn that changes are not saved.
        PreferencesErrorDialog inPlace(path, QStringLiteral("illegal value"), QString());
        QVERIFY(!inPlace.text().contains(QStringLiteral("kept unchanged as")));
        QVERIFY(inPlace.text().contains(QStringLiteral("last until Quarlin quits")));
    }

    // A change that looks made but would be gone at the next start is told once, not per change.
    void aSettingThatCouldNotBeSavedIsToldOnce() {
        QTemporaryDir dir;
        // A file where the folder should be: nothing can be written below it, whoever runs the test.
        const QString folder = dir.filePath(QStringLiteral("<b>quarlin"));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        JsonPreferenceStore preferences(folder + QStringLiteral("/preferences.json"));
        PreferencesWriteNotice notice(preferences);
        LogCapture log;
        preferences.setValue(QStringLiteral("appTheme"), QStringLiteral("light"));
        QMessageBox* box = notice.box();
        QVERIFY(box && box->isVisible());
        QCOMPARE(box->textFormat(), Qt::PlainText);
        auto* detail = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        QVERIFY(detail && detail->text().contains(folder));
        QCOMPARE(detail->textFormat(), Qt::PlainText);

        preferences.setValue(QStringLiteral("appTheme"), QStringLiteral("dark"));
        preferences.setValue(QStringLiteral("launchInMenuBarMode"), true);
        QCOMPARE(notice.box(), box);
        saveWidgetScreenshot(box, QStringLiteral("preferences-write-notice"));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    PreferencesNoticesTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "PreferencesNoticesTest.moc"
