// One choice in the template picker: the template's name (with a check mark when chosen), its
// description and a thumbnail of its layout; or, without a template, "Custom".
#pragma once

#include "model/PositionTemplate.h"

#include <QPushButton>

#include <optional>

class TemplateCard : public QPushButton {
    Q_OBJECT
public:
    TemplateCard(std::optional<PositionTemplate> positionTemplate, bool isSelected,
                 QWidget* parent = nullptr);

    const std::optional<PositionTemplate>& positionTemplate() const { return m_template; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

private:
    std::optional<PositionTemplate> m_template;
    bool m_selected = false;
    class QLabel* m_check = nullptr;
};
