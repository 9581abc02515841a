// A picture of one widget as it draws itself, at <build>/screenshots/<name>.png, for a person to look
// at; the test's own checks never depend on it.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QString>
#include <QWidget>

inline bool saveWidgetScreenshot(QWidget* widget, const QString& name) {
    const QString folder = QStringLiteral(QUARLIN_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    // Layouts settle first, as they would before the next paint.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    return widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}
