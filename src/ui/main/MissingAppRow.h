// One missing application in the missing-applications dialog: its name, the configuration that
// lists it, and, when the owner offers it, a button that removes it from that configuration.
#pragma once

#include "model/MissingAppInfo.h"

#include <QWidget>

#include <functional>

class QToolButton;

class MissingAppRow : public QWidget {
    Q_OBJECT
public:
    MissingAppRow(const MissingAppInfo& missingApp, std::function<void()> onRemove,
                  QWidget* parent = nullptr);

    // Present only when the row was given an onRemove.
    QToolButton* removeButton() const { return m_remove; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* m_remove = nullptr;
};
