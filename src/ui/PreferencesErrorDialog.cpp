#include "PreferencesErrorDialog.h"

#include "look/Fonts.h"
#include "look/TextLabel.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

PreferencesErrorDialog::PreferencesErrorDialog(const QString& path, const QString& reason,
                                               const QString& keptAs, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("preferencesErrorDialog"));
    setWindowTitle(tr("Quarlin Could Not Read Its Preferences"));
    const QString why = reason.isEmpty() ? reason : reason.at(0).toUpper() + reason.mid(1);
    m_paragraphs = {tr("Quarlin could not read its preferences file and uses the default settings instead."),
                    why, tr("File: %1").arg(path)};
    if (keptAs.isEmpty())
        m_paragraphs.append(tr("The file could not be moved aside, so Quarlin leaves it as it is: settings "
                               "you change now last until Quarlin quits. Repair the file or move it away, "
                               "then start Quarlin again."));
    else
        m_paragraphs << tr("The damaged file was kept unchanged as: %1").arg(keptAs)
                     << tr("Settings you change now are saved in a new file. Copy what you need from the "
                           "damaged one, or delete it when you no longer need it.");

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(16);
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(48, 48));
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    for (int i = 0; i < m_paragraphs.size(); ++i) {
        QLabel* label = textLabel(m_paragraphs.at(i), i == 0 ? Fonts::headline() : Fonts::body());
        label->setWordWrap(true);
        // Paths can be long and without spaces; the user may want to copy them.
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setMinimumWidth(420);
        column->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox;
    QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addSpacing(6);
    column->addWidget(buttons);
    layout->addLayout(column, 1);
}

QString PreferencesErrorDialog::text() const {
    return m_paragraphs.join(u'\n');
}
