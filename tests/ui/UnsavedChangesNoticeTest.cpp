// What the user is told when changes to the configurations cannot be saved: once when the store's
// own save fails, and before a quit that would lose them, with the choice to stay.
#include "ui/notices/UnsavedChangesNotice.h"
#include "../support/WidgetScreenshot.h"
#include "base/LogCapture.h"
#include "model/ConfigurationGroup.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/Database.h"
#include "store/ModelContainer.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Counts the quits that get past the notice, and stops them there.
struct QuitsLetThrough : QObject {
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != qApp || event->type() != QEvent::Quit)
            return false;
        ++count;
        return true;
    }
};

// Answers the question itself and keeps what it asked.
class AnsweredNotice : public UnsavedChangesNotice {
public:
    using UnsavedChangesNotice::UnsavedChangesNotice;
    QMessageBox::ButtonRole answer = QMessageBox::RejectRole;
    QStringList asked;

protected:
    QMessageBox::ButtonRole ask(QMessageBox& question) override {
        QStringList buttons;
        for (QAbstractButton* button : question.buttons())
            buttons << button->text() +
                           (button == question.defaultButton() ? QStringLiteral("*") : QString());
        auto* detail = question.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        buttons.sort();
        asked << QStringList{question.text(), detail ? detail->text() : QString(), buttons.join(u'|')}.join(
            u'/');
        const bool plain =
            question.textFormat() == Qt::PlainText && detail && detail->textFormat() == Qt::PlainText;
        // Closing the question may ask to quit again (the last window closed): the answer decides.
        QEvent again(QEvent::Quit);
        QCoreApplication::sendEvent(qApp, &again);
        return plain ? answer : QMessageBox::NoRole;
    }
};
} // namespace

class UnsavedChangesNoticeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theUserIsToldOnceAndAskedBeforeAQuitLosesTheChanges() {
        QTemporaryDir dir;
        // A folder name that would be markup if it were read as such.
        const QString folder = dir.filePath(QStringLiteral("<b>quarlin"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/quarlin.sqlite");
        VirtualScheduler scheduler;
        QString error;
        auto container = ModelContainer::open(path, scheduler, &error);
        QVERIFY2(container, qPrintable(error));
        ModelContext* context = container->mainContext();
        auto* work = new ConfigurationGroup(QStringLiteral("Work"), 0, 0, std::nullopt);
        context->insert(work);
        QVERIFY(context->save());
        QuitsLetThrough quits;
        qApp->installEventFilter(&quits);
        AnsweredNotice notice(*context, path);
        QSignalSpy cancelled(&notice, &UnsavedChangesNotice::quitCancelled);

        // Another connection makes every write of the configuration fail.
        auto other = Database::open(path, false, &error);
        QVERIFY2(other, qPrintable(error));
        QVERIFY(other->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON ConfigurationGroup "
                                              "BEGIN SELECT RAISE(ABORT, 'refused by test'); END")));
        LogCapture log;
        work->setName(QStringLiteral("Work 2"));
        scheduler.advance(ModelContext::autosaveDelay);
        QMessageBox* shown = notice.notice();
        QVERIFY(shown && shown->isVisible());
        QCOMPARE(shown->textFormat(), Qt::PlainText);
        QVERIFY(shown->text().contains(QStringLiteral("keep trying")));
        auto* detail = shown->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        QVERIFY(detail);
        QCOMPARE(detail->textFormat(), Qt::PlainText);
        QCOMPARE(detail->text(), QStringLiteral("Error: refused by test\nStore: ") + path);
        saveWidgetScreenshot(shown, QStringLiteral("unsaved-changes-notice"));
        work->setName(QStringLiteral("Work 3"));
        scheduler.advance(ModelContext::autosaveRetryInterval);
        QCOMPARE(notice.notice(), shown);

        // Quitting now would lose them: Cancel, the default, stays, and so does the quit itself.
        QEvent quit(QEvent::Quit);
        QVERIFY(QCoreApplication::sendEvent(qApp, &quit));
        QCOMPARE(notice.asked.size(), 1);
        QCOMPARE(
            notice.asked.first(),
            QStringLiteral("Quarlin could not save your latest changes to its configurations. If you "
                           "quit now, they are lost./Error: refused by test\nStore: %1/Cancel*|Quit Anyway")
                .arg(path));
        QCOMPARE(cancelled.size(), 1);
        QCOMPARE(quits.count, 0);
        notice.answer = QMessageBox::DestructiveRole;
        QCoreApplication::sendEvent(qApp, &quit);
        QCOMPARE(quits.count, 1);
        QVERIFY(notice.mayQuit());
        QVERIFY(context->hasChanges());
        // A quit by a signal cannot wait for an answer.
        notice.quitWithoutAsking();
        QVERIFY(notice.mayQuit());
        QCOMPARE(notice.asked.size(), 3);

        // Saved at the quit: nothing is asked.
        AnsweredNotice later(*context, path);
        QVERIFY(other->execute(QStringLiteral("DROP TRIGGER refuse")));
        QVERIFY(later.mayQuit());
        QVERIFY(later.asked.isEmpty());
        QVERIFY(!context->hasChanges());
    }
};

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    UnsavedChangesNoticeTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "UnsavedChangesNoticeTest.moc"
