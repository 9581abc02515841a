#include "FileProblemDialog.h"

#include "ui/look/Fonts.h"
#include "ui/look/TextLabel.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

FileProblemDialog::FileProblemDialog(QStyle::StandardPixmap icon, const QString& title,
                                     const QStringList& paragraphs, const QString& button, QWidget* parent)
    : QDialog(parent), m_paragraphs(paragraphs) {
    setWindowTitle(title);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(16);
    auto* picture = new QLabel;
    picture->setPixmap(style()->standardIcon(icon).pixmap(48, 48));
    layout->addWidget(picture, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    for (int i = 0; i < m_paragraphs.size(); ++i) {
        QLabel* label = textLabel(m_paragraphs.at(i), i == 0 ? Fonts::headline() : Fonts::body());
        label->setWordWrap(true);
        // Paths and reasons can be long and without spaces; the user may want to copy them.
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setMinimumWidth(420);
        column->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox;
    QPushButton* close = buttons->addButton(button, QDialogButtonBox::AcceptRole);
    close->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addSpacing(6);
    column->addWidget(buttons);
    layout->addLayout(column, 1);
}

QString FileProblemDialog::text() const {
    return m_paragraphs.join(u'\n');
}
