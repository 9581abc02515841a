// The desktop's register of programs that start at login, as launch at login needs it.
#pragma once

#include <QString>

#include <optional>

class LoginItemService {
public:
    enum class Status { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

    virtual ~LoginItemService() = default;
    virtual Status status() const = 0;
    // Each answers the error's description, or nothing on success.
    virtual std::optional<QString> registerService() = 0;
    virtual std::optional<QString> unregisterService() = 0;
};
