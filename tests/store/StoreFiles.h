// A store file of a test's own, in a folder that goes with the test, on the virtual clock.
#pragma once

#include "platform/sim/VirtualScheduler.h"
#include "store/ModelContainer.h"

#include <QDebug>
#include <QTemporaryDir>

#include <memory>

class StoreFiles {
protected:
    QTemporaryDir m_dir;
    VirtualScheduler m_scheduler;

    QString path() const { return m_dir.filePath(QStringLiteral("quarlin.sqlite")); }
    std::unique_ptr<ModelContainer> open(const QString& file = {}) {
        QString error;
        auto container = ModelContainer::open(file.isEmpty() ? path() : file, m_scheduler, &error);
        if (!container)
            qWarning() << error;
        return container;
    }
};
