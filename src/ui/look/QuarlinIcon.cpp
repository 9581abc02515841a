#include "QuarlinIcon.h"

#include <QSize>
#include <QString>

namespace {
constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
}

QIcon quarlinIcon() {
    QIcon icon;
    for (int size : kSizes)
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/quarlin.png").arg(size), QSize(size, size));
    return icon;
}
