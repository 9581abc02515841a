#include "WindowValue.h"

QString str(WindowAccessError error) {
    switch (error) {
    case WindowAccessError::success:
        return QStringLiteral("AXError(rawValue: 0)");
    case WindowAccessError::failure:
        return QStringLiteral("AXError(rawValue: -25200)");
    case WindowAccessError::illegalArgument:
        return QStringLiteral("AXError(rawValue: -25201)");
    case WindowAccessError::invalidElement:
        return QStringLiteral("AXError(rawValue: -25202)");
    case WindowAccessError::cannotComplete:
        return QStringLiteral("AXError(rawValue: -25204)");
    case WindowAccessError::attributeUnsupported:
        return QStringLiteral("AXError(rawValue: -25205)");
    case WindowAccessError::actionUnsupported:
        return QStringLiteral("AXError(rawValue: -25206)");
    case WindowAccessError::apiDisabled:
        return QStringLiteral("AXError(rawValue: -25211)");
    case WindowAccessError::noValue:
        return QStringLiteral("AXError(rawValue: -25212)");
    }
    return QStringLiteral("AXError(rawValue: -25200)");
}
