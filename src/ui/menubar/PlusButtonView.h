// The compact list's "+": a blue plus in a circle that grows a little under the pointer; opens the
// create sheet.
#pragma once

#include <QAbstractButton>

class QVariantAnimation;

class PlusButtonView : public QAbstractButton {
    Q_OBJECT
public:
    explicit PlusButtonView(QWidget* parent = nullptr);

    bool isHovering() const { return m_hovering; }
    QSize sizeHint() const override { return QSize(28, 28); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setHovering(bool hovering);

    bool m_hovering = false;
    double m_progress = 0;
    QVariantAnimation* m_animation;
};
