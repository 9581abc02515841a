// The small indeterminate progress spinner: an arc that turns while the spinner is shown.
#pragma once

#include <QWidget>

class QVariantAnimation;

class ProgressSpinner : public QWidget {
    Q_OBJECT
public:
    explicit ProgressSpinner(int side = 12, QWidget* parent = nullptr);

    QSize sizeHint() const override { return QSize(m_side, m_side); }
    bool isSpinning() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_side;
    int m_angle = 0;
    QVariantAnimation* m_turn;
};
