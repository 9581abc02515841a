// One tab of the main window's tab bar: the tab's symbol and name, accent-coloured and full size
// when selected, secondary and slightly smaller otherwise. Each press bounces the symbol once,
// also on the tab already selected. The selected tab's highlight is the bar's, so it can slide.
#pragma once

#include <QAbstractButton>

class QVariantAnimation;

class MainTabButton : public QAbstractButton {
    Q_OBJECT
public:
    MainTabButton(const QString& symbol, const QString& title, QWidget* parent = nullptr);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    // Starts one downward bounce of the symbol.
    void bounce();
    // How many bounces were started, for tests.
    int bounceCount() const { return m_bounces; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    bool m_selected = false;
    double m_selection = 0; // animated 0..1
    double m_bounceOffset = 0;
    int m_bounces = 0;
    QVariantAnimation* m_selectionAnimation;
    QVariantAnimation* m_bounceAnimation;
};
