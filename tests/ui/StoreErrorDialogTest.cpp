// The window shown when the data file cannot be opened: what failed, which file, that it is untouched.
#include "ui/notices/StoreErrorDialog.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

class StoreErrorDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saysWhatFailedWhereAndThatTheFileIsUntouched() {
        const QString path = QStringLiteral("/home/<b>me</b>/.local/share/quarlin/quarlin.sqlite");
        StoreErrorDialog dialog(path, QStringLiteral("Could not create ModelContainer: ") + path +
                                          QStringLiteral(": file is not a database"));
        const QStringList lines = dialog.text().split(u'\n');
        QCOMPARE(lines.value(1), QStringLiteral("File is not a database"));
        QCOMPARE(lines.value(2), QStringLiteral("File: ") + path);
        QVERIFY(lines.value(3).startsWith(QStringLiteral("The file was left untouched")));
        // A path is shown as it is, never as markup.
        for (QLabel* label : dialog.findChildren<QLabel*>())
            if (!label->text().isEmpty())
                QCOMPARE(label->textFormat(), Qt::PlainText);
    }

    // Another file in place of this one would not help: the folder is to be mended.
    void aFolderThatCannotBeWrittenGetsAdviceAboutTheFolder_data() {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("shown");
        const QString path = QStringLiteral("/home/me/.local/share/quarlin/quarlin.sqlite");
        QTest::newRow("unwritable") << path + QStringLiteral(": the folder /home/me/.local/share/quarlin "
                                                             "cannot be written")
                                    << QStringLiteral(
                                           "The folder /home/me/.local/share/quarlin cannot be written");
        QTest::newRow("not created")
            << QStringLiteral("Could not create the folder /home/me/.local/share/quarlin")
            << QStringLiteral("Could not create the folder /home/me/.local/share/quarlin");
    }
    void aFolderThatCannotBeWrittenGetsAdviceAboutTheFolder() {
        QFETCH(QString, reason);
        QFETCH(QString, shown);
        const QString path = QStringLiteral("/home/me/.local/share/quarlin/quarlin.sqlite");
        StoreErrorDialog dialog(path, QStringLiteral("Could not create ModelContainer: ") + reason);
        const QStringList lines = dialog.text().split(u'\n');
        QCOMPARE(lines.value(1), shown);
        QVERIFY(lines.value(3).contains(QStringLiteral("permissions")));
        QVERIFY(lines.value(3).contains(QStringLiteral("mounted read-only")));
        QVERIFY(!lines.value(3).contains(QStringLiteral("backup")));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    StoreErrorDialogTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "StoreErrorDialogTest.moc"
