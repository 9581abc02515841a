// A window about one of Quarlin's own files that could not be used: an icon, a headline, the
// reason, the file and what happens now, each a paragraph of plain, selectable text, and one
// button that closes it.
#pragma once

#include <QDialog>
#include <QStyle>

class FileProblemDialog : public QDialog {
    Q_OBJECT
public:
    // Everything the window says, one paragraph a line.
    QString text() const;

protected:
    // The first paragraph is the headline.
    FileProblemDialog(QStyle::StandardPixmap icon, const QString& title, const QStringList& paragraphs,
                      const QString& button, QWidget* parent);

private:
    QStringList m_paragraphs;
};
