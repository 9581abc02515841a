// An application's icon in a row, looked up only when the row is first drawn: a long list opens
// without asking the icon theme for the rows nobody has scrolled to yet. Without an icon it shows the
// "app.fill" symbol.
#pragma once

#include <QIcon>
#include <QWidget>

#include <functional>
#include <optional>

class AppIconView : public QWidget {
    Q_OBJECT
public:
    AppIconView(std::function<QIcon()> lookup, int side, QWidget* parent = nullptr);

    // Looks the icon up now if it was not yet; null when there is none.
    QIcon icon();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<QIcon()> m_lookup;
    std::optional<QIcon> m_icon;
    int m_side;
};
