// Whether this program may move other programs' windows now.
#pragma once

#include "platform/Platform.h"

class WindowControlPermission {
public:
    explicit WindowControlPermission(Platform& platform) : m_platform(platform) {}

    // Read afresh on every call; callers pass false so no system prompt appears.
    bool isTrusted(bool prompt) { return m_platform.windows.isProcessTrusted(prompt); }

private:
    Platform& m_platform;
};
