// The one rearrangement a configuration row offers, chosen from where its applications stand now.
#pragma once

#include <QString>

#include <optional>

class ConfigurationActivator;

struct LayoutButtonChoice {
    enum class Operation { swapTwo, rotateCorners, rotateThirds, swapHalfAndCorners, rotateHalfAndCorners };

    Operation operation;
    QString title;
    QString symbol;
    // A colour name of the look ("orange", "purple", ...).
    QString accent;
    QString help;

    // The first rule that holds decides; none when no rule does.
    static std::optional<LayoutButtonChoice> choose(const ConfigurationActivator& activator);
    // Checks for missing applications, selects the configuration and rearranges it.
    static void run(Operation operation, ConfigurationActivator& activator);
};
