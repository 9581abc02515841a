// A running application as lists and pickers show it; identified by its bundle id.
#pragma once

#include "platform/RunningApplication.h"

#include <QString>

#include <optional>

struct RunningApp {
    QString name;
    QString bundleID;
    // An icon theme name or a file path.
    std::optional<QString> icon;
    bool isHidden = false;

    RunningApp() = default;
    RunningApp(QString name_, QString bundleID_, std::optional<QString> icon_, bool isHidden_)
        : name(std::move(name_)), bundleID(std::move(bundleID_)), icon(std::move(icon_)),
          isHidden(isHidden_) {}
    explicit RunningApp(const RunningApplication& app);

    const QString& id() const { return bundleID; }
    friend bool operator==(const RunningApp&, const RunningApp&) = default;
};

size_t qHash(const RunningApp& app, size_t seed = 0);
