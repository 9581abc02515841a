// Writes one line at each level of two categories, and one message of a category not ours, through
// the console the program installs; the test reads what reaches each stream.
#include "base/Log.h"

#include <QCoreApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcProbeOther, "probe.other")

int main(int argc, char** argv) {
    installConsole();
    QCoreApplication application(argc, argv);
    logDebug(lcPlacement, QStringLiteral("🔧 COORDINATE DEBUG: placement trace"));
    logInfo(lcPlacement, QStringLiteral("📌 Positioning  with spaces kept "));
    logWarning(lcPlacement, QStringLiteral("❌ Could not find \"quoted\" <b>text</b>"));
    logDebug(lcSync, QStringLiteral("sync trace"));
    logInfo(lcSync, QStringLiteral("🔄 Sync: merged 1 changes"));
    qCWarning(lcProbeOther) << "other";
    return 0;
}
