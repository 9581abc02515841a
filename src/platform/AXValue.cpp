#include "AXValue.h"

QString str(AXError error) {
    switch (error) {
    case AXError::success:
        return QStringLiteral("AXError(rawValue: 0)");
    case AXError::failure:
        return QStringLiteral("AXError(rawValue: -25200)");
    case AXError::illegalArgument:
        return QStringLiteral("AXError(rawValue: -25201)");
    case AXError::invalidElement:
        return QStringLiteral("AXError(rawValue: -25202)");
    case AXError::cannotComplete:
        return QStringLiteral("AXError(rawValue: -25204)");
    case AXError::attributeUnsupported:
        return QStringLiteral("AXError(rawValue: -25205)");
    case AXError::actionUnsupported:
        return QStringLiteral("AXError(rawValue: -25206)");
    case AXError::apiDisabled:
        return QStringLiteral("AXError(rawValue: -25211)");
    case AXError::noValue:
        return QStringLiteral("AXError(rawValue: -25212)");
    }
    return QStringLiteral("AXError(rawValue: -25200)");
}
