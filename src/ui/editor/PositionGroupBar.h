// The position groups of the configuration under its name: a title with "Create Group", then one chip
// per group (or a line saying there is none). Opens the template picker and the rename sheet.
#pragma once

#include "CreatePositionGroupView.h"
#include "EditPositionGroupNameView.h"

#include <QPointer>
#include <QWidget>

class ConfigurationEditor;
class CreatePositionGroupView;
class EditPositionGroupNameView;
class PositionGroup;
class PositionGroupChip;
class QLabel;
class QPushButton;
class QPropertyAnimation;
class QScrollArea;
class QHBoxLayout;

class PositionGroupBar : public QWidget {
    Q_OBJECT
public:
    explicit PositionGroupBar(ConfigurationEditor& editor, QWidget* parent = nullptr);

    QList<PositionGroupChip*> chips() const { return m_chips; }
    QString title() const;
    // The open sheets; null when closed.
    CreatePositionGroupView* templatePicker() const { return m_picker; }
    EditPositionGroupNameView* renameSheet() const { return m_rename; }

    // The strip's scroll position the bar is heading to (the end of a running scroll).
    int scrollTarget() const;
    static constexpr int scrollMs = 300;

    void showCreatePositionGroup();
    void startEditingPositionGroupName(PositionGroup* group);

private:
    void rebuild();
    void scrollToSelected();
    // Where the selected chip lies in the bar once scrolled there: a debugging trace.
    void traceSelectedChip();

    ConfigurationEditor& m_editor;
    QLabel* m_title = nullptr;
    QLabel* m_empty = nullptr;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_strip = nullptr;
    QHBoxLayout* m_stripLayout = nullptr;
    QList<PositionGroupChip*> m_chips;
    QPropertyAnimation* m_scrollAnimation = nullptr;
    bool m_scrolledOnce = false;
    QPointer<CreatePositionGroupView> m_picker;
    QPointer<EditPositionGroupNameView> m_rename;
    // The pending name of a new group, kept between two openings of the picker.
    QString m_newPositionGroupName;
};
