#include "StoreErrorDialog.h"

#include "look/Fonts.h"
#include "look/TextLabel.h"
#include "store/ModelContainer.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

StoreErrorDialog::StoreErrorDialog(const QString& path, const QString& message, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("storeErrorDialog"));
    setWindowTitle(tr("Quarlin Cannot Start"));
    const QString reason = reasonIn(message, path);
    m_paragraphs = {tr("Quarlin could not open its data file."), reason, tr("File: %1").arg(path),
                    tr("The file was left untouched: Quarlin has not changed, moved or replaced it. Put a "
                       "backup in its place, or move it aside to start with an empty library, then start "
                       "Quarlin again.")};

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(16);
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(48, 48));
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    column->setSpacing(10);
    for (int i = 0; i < m_paragraphs.size(); ++i) {
        QLabel* label = textLabel(m_paragraphs.at(i), i == 0 ? Fonts::headline() : Fonts::body());
        label->setWordWrap(true);
        // The path and the reason can be long and without spaces; the user may want to copy them.
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setMinimumWidth(420);
        column->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox;
    QPushButton* quit = buttons->addButton(tr("Quit"), QDialogButtonBox::AcceptRole);
    quit->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    column->addSpacing(6);
    column->addWidget(buttons);
    layout->addLayout(column, 1);
}

QString StoreErrorDialog::text() const {
    return m_paragraphs.join(u'\n');
}

QString StoreErrorDialog::reasonIn(const QString& message, const QString& path) {
    QString reason = message;
    const QString prefix = ModelContainer::failureMessage(QString());
    if (reason.startsWith(prefix))
        reason.remove(0, prefix.size());
    if (reason.startsWith(path + QStringLiteral(": ")))
        reason.remove(0, path.size() + 2);
    return reason.isEmpty() ? reason : reason.at(0).toUpper() + reason.mid(1);
}
