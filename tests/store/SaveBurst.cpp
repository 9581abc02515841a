// A program that changes and saves the store as fast as it can, for the store tests to end in the
// middle: it quits the way Quarlin does (SIGTERM and SIGINT through the event loop, saving what is
// pending). For each configuration it prints "saved NAME" once its insert is committed, then leaves
// a change pending and prints "pending NAME".
#include "app/QuarlinApp.h"
#include "app/TerminationSignals.h"
#include "base/Log.h"
#include "base/PreferenceStore.h"
#include "base/QtScheduler.h"
#include "model/ConfigurationGroup.h"
#include "platform/sim/SimDesktop.h"
#include "store/ModelContainer.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    installConsole();
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATABASE\n", argv[0]);
        return 2;
    }
    QtScheduler scheduler;
    PreferenceStore preferences;
    SimDesktop desktop{scheduler};
    Platform platform{scheduler, preferences, desktop, desktop, desktop};
    QString message;
    auto container =
        QuarlinApp::makeSharedModelContainer(QString::fromLocal8Bit(argv[1]), scheduler, &message);
    if (!container) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        return 1;
    }
    ModelContext* context = container->mainContext();
    context->setAutosaveEnabled(false);
    QuarlinApp app(platform, std::move(container), nullptr);

    TerminationSignals terminationSignals;
    QObject::connect(&terminationSignals, &TerminationSignals::received, &application,
                     &QCoreApplication::quit);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &app, &QuarlinApp::saveBeforeQuit);

    int count = 0;
    QTimer burst;
    QObject::connect(&burst, &QTimer::timeout, [&] {
        const QString name = QStringLiteral("c%1").arg(++count);
        auto* configuration = new ConfigurationGroup(name, 0, 0, std::nullopt);
        context->insert(configuration);
        QString error;
        if (!context->save(&error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            QCoreApplication::exit(1);
            return;
        }
        std::printf("saved %s\n", qPrintable(name));
        configuration->setDesc(QStringLiteral("pending"));
        std::printf("pending %s\n", qPrintable(name));
        std::fflush(stdout);
    });
    burst.start(0);
    return application.exec();
}
