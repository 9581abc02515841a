#include "RunningApp.h"

#include <QHashFunctions>

RunningApp::RunningApp(const RunningApplication& app)
    : name(app.localizedName().value_or(QStringLiteral("Unknown App"))),
      bundleID(app.bundleIdentifier().value_or(QString())),
      icon(app.icon().isEmpty() ? std::nullopt : std::optional<QString>(app.icon())),
      isHidden(app.isHidden()) {}

size_t qHash(const RunningApp& app, size_t seed) {
    return qHashMulti(seed, app.name, app.bundleID, app.icon.value_or(QString()), app.icon.has_value(),
                      app.isHidden);
}
