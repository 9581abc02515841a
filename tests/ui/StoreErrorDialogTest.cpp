// The window shown when the data file cannot be opened: what failed, which file, that it is untouched,
// or what else helps when there is no file to speak of or no room on the disk.
#include "ui/notices/StoreErrorDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

class StoreErrorDialogTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saysWhatFailedWhereAndThatTheFileIsUntouched() {
        QTemporaryDir home;
        const QString path = home.filePath(QStringLiteral("<b>me</b>/quarlin.sqlite"));
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("<b>me</b>"))));
        QFile damaged(path);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.close();
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

    // What the user can do when there is no file of theirs to speak of: a full disk (with or
    // without a file already there), a file this start began and took away again.
    void withoutAFileOfTheUsersTheAdviceNeverSpeaksOfOne_data() {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("fileThere");
        QTest::addColumn<QString>("advice");
        QTest::newRow("full disk, first start")
            << QStringLiteral("%1: the disk is full") << false << QStringLiteral("free some space");
        QTest::newRow("full disk, a file there")
            << QStringLiteral("%1: the disk is full") << true << QStringLiteral("free some space");
        QTest::newRow("full disk, the folder not made")
            << QStringLiteral("Could not create the folder /nowhere: the disk is full") << false
            << QStringLiteral("free some space");
        QTest::newRow("a new file that failed otherwise")
            << QStringLiteral("%1: disk I/O error") << false << QStringLiteral("removed the new file");
    }
    void withoutAFileOfTheUsersTheAdviceNeverSpeaksOfOne() {
        QFETCH(QString, reason);
        QFETCH(bool, fileThere);
        QFETCH(QString, advice);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("quarlin.sqlite"));
        QFile file(path);
        QVERIFY(!fileThere || file.open(QIODevice::WriteOnly));
        file.close();
        StoreErrorDialog dialog(path, QStringLiteral("Could not create ModelContainer: ") +
                                          (reason.contains(QLatin1String("%1")) ? reason.arg(path) : reason));
        const QString said = dialog.text().split(u'\n').value(3);
        QVERIFY2(said.contains(advice), qPrintable(said));
        for (const char* wrong : {"untouched", "backup", "permissions"})
            QVERIFY2(!said.contains(QLatin1String(wrong)), qPrintable(said));
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    StoreErrorDialogTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "StoreErrorDialogTest.moc"
