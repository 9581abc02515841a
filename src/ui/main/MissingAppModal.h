// The missing-applications dialog: a warning header, the list of applications that are not
// installed (a scrolling box at most 200 pixels high) and one "Close" button, on a 480 by 400 card
// that narrows to the window it shows in. It keeps no state: every press is a callback to its owner.
#pragma once

#include "model/MissingAppInfo.h"

#include <QList>
#include <QWidget>

#include <functional>

class MissingAppRow;
class StyledButton;

class MissingAppModal : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize preferredSize{480, 400};

    // onContinueAnyway is the owner's way on without the missing applications; no control here
    // calls it. With onRemoveFromConfig every row offers to remove its application.
    MissingAppModal(const QList<MissingAppInfo>& missingApps, std::function<void()> onDismiss,
                    std::function<void()> onContinueAnyway,
                    std::function<void(const MissingAppInfo&)> onRemoveFromConfig = {},
                    QWidget* parent = nullptr);

    QList<MissingAppRow*> rows() const { return m_rows; }
    StyledButton* closeButton() const { return m_close; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<MissingAppRow*> m_rows;
    StyledButton* m_close;
    std::function<void()> m_onContinueAnyway;
};
