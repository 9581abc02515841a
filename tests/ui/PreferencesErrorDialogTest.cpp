// The notice shown when the preferences file could not be read: what failed, which file, where the
// damaged copy is, and whether changed settings are saved at all.
#include "ui/PreferencesErrorDialog.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

class PreferencesErrorDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saysWhatFailedWhereAndWhereTheDamagedCopyIs() {
        const QString path = QStringLiteral("/home/<b>me</b>/.config/quarlin/preferences.json");
        const QString aside = path + QStringLiteral(".damaged-20261207-101500");
        PreferencesErrorDialog kept(path, QStringLiteral("illegal value"), aside);
        QCOMPARE(kept.windowTitle(), QStringLiteral("Quarlin Could Not Read Its Preferences"));
        const QStringList lines = kept.text().split(u'\n');
        QVERIFY(lines.value(0).contains(QStringLiteral("started with the default settings")));
        QCOMPARE(lines.value(1), QStringLiteral("Illegal value"));
        QCOMPARE(lines.value(2), QStringLiteral("File: ") + path);
        QCOMPARE(lines.value(3), QStringLiteral("The damaged file was kept unchanged as: ") + aside);
        // Paths are shown as they are, never as markup.
        for (QLabel* label : kept.findChildren<QLabel*>())
            if (!label->text().isEmpty())
                QCOMPARE(label->textFormat(), Qt::PlainText);

        // Not moved: the user must learn that changes are not saved.
        PreferencesErrorDialog inPlace(path, QStringLiteral("illegal value"), QString());
        QVERIFY(!inPlace.text().contains(QStringLiteral("kept unchanged as")));
        QVERIFY(inPlace.text().contains(QStringLiteral("last until Quarlin quits")));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    PreferencesErrorDialogTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "PreferencesErrorDialogTest.moc"
