// A store file of a test's own, in a folder that goes with the test, on the virtual clock.
#pragma once

#include "model/AppConfiguration.h"
#include "model/ConfigurationGroup.h"
#include "platform/sim/VirtualScheduler.h"
#include "store/ModelContainer.h"

#include <QDebug>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class StoreFiles {
protected:
    QTemporaryDir m_dir;
    VirtualScheduler m_scheduler;

    // One file per test function and data row, so that no test starts on another's data.
    QString path() const {
        return m_dir.filePath(QString::fromUtf8(QTest::currentTestFunction()) +
                              QString::fromUtf8(QTest::currentDataTag()) + QStringLiteral(".sqlite"));
    }
    std::unique_ptr<ModelContainer> open(const QString& file = {}) {
        QString error;
        auto container = ModelContainer::open(file.isEmpty() ? path() : file, m_scheduler, &error);
        if (!container)
            qWarning() << error;
        return container;
    }
    static ConfigurationGroup* findByName(ModelContext* context, const QString& name) {
        for (ConfigurationGroup* configuration : context->fetch<ConfigurationGroup>())
            if (configuration->name() == name)
                return configuration;
        return nullptr;
    }
    // The configuration's applications in order, by bundle id.
    static QString bundleIDs(const ConfigurationGroup* configuration) {
        QStringList ids;
        for (AppConfiguration* app : configuration->configurationList())
            ids.append(app->bundleID());
        return ids.join(',');
    }
};
