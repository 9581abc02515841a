// The launch-at-login check box shows what the desktop did, not what was asked.
#include "ui/LaunchAtLoginToggle.h"
#include "login/LaunchAtLogin.h"

#include <QTest>

namespace {
struct Service : LoginItemService {
    Status status() const override { return current; }
    std::optional<QString> registerService() override {
        if (refuse)
            return QStringLiteral("refused");
        current = Status::enabled;
        return std::nullopt;
    }
    std::optional<QString> unregisterService() override {
        current = Status::notRegistered;
        return std::nullopt;
    }
    Status current = Status::notRegistered;
    bool refuse = false;
};

struct Log : LoginLog {
    void logFailure(const QString&, const QString&) override { ++failures; }
    int failures = 0;
};
} // namespace

class LaunchAtLoginToggleTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void showsTheDesktopsAnswer() {
        Service service;
        Log log;
        LaunchAtLogin launch(service, log);
        LaunchAtLoginToggle toggle(launch);
        QCOMPARE(toggle.text(), QStringLiteral("Launch at login"));
        QVERIFY(!toggle.isChecked());

        toggle.click();
        QVERIFY(toggle.isChecked());
        QCOMPARE(service.current, LoginItemService::Status::enabled);

        toggle.click();
        service.refuse = true;
        toggle.click();
        QVERIFY(!toggle.isChecked());
        QCOMPARE(log.failures, 1);

        // Switched on elsewhere: seen when the box is shown again.
        service.current = LoginItemService::Status::enabled;
        toggle.show();
        QVERIFY(toggle.isChecked());
    }
};

QTEST_MAIN(LaunchAtLoginToggleTest)
#include "LaunchAtLoginToggleTest.moc"
