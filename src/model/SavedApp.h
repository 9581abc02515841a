// An application in the user's library of remembered applications, with the position and size it
// had when saved. Deleting it only clears the link to it from applications of configurations.
#pragma once

#include "Corner.h"
#include "ModelObject.h"
#include "Relationship.h"

#include <QDateTime>
#include <QString>

class AppConfiguration;

class SavedApp : public ModelObject {
    Q_OBJECT
public:
    explicit SavedApp(QObject* parent = nullptr);
    SavedApp(const QString& bundleID, const QString& name, double width, double height, Corner corner,
             double widthFraction, double marginX, double marginY, QObject* parent = nullptr);

    static constexpr Kind staticKind = Kind::savedApp;
    Kind kind() const override { return staticKind; }
    QList<ModelObject*> relatedObjects() const override;

    QUuid id() const { return m_id; }
    void setId(const QUuid& id) { assign(m_id, id, &SavedApp::idChanged); }
    QString bundleID() const { return m_bundleID; }
    void setBundleID(const QString& id) { assign(m_bundleID, id, &SavedApp::bundleIDChanged); }
    QString name() const { return m_name; }
    void setName(const QString& name) { assign(m_name, name, &SavedApp::nameChanged); }
    QDateTime dateAdded() const { return m_dateAdded; }
    void setDateAdded(const QDateTime& date) { assign(m_dateAdded, date, &SavedApp::dateAddedChanged); }
    double savedWidth() const { return m_savedWidth; }
    void setSavedWidth(double width) { assign(m_savedWidth, width, &SavedApp::savedWidthChanged); }
    double savedHeight() const { return m_savedHeight; }
    void setSavedHeight(double height) { assign(m_savedHeight, height, &SavedApp::savedHeightChanged); }
    QString savedCorner() const { return m_savedCorner; }
    void setSavedCorner(const QString& corner) {
        assign(m_savedCorner, corner, &SavedApp::savedCornerChanged);
    }
    double savedWidthFraction() const { return m_savedWidthFraction; }
    void setSavedWidthFraction(double fraction) {
        assign(m_savedWidthFraction, fraction, &SavedApp::savedWidthFractionChanged);
    }
    double savedMarginX() const { return m_savedMarginX; }
    void setSavedMarginX(double margin) { assign(m_savedMarginX, margin, &SavedApp::savedMarginXChanged); }
    double savedMarginY() const { return m_savedMarginY; }
    void setSavedMarginY(double margin) { assign(m_savedMarginY, margin, &SavedApp::savedMarginYChanged); }

    // The applications linked to this entry through AppConfiguration::savedApp.
    const std::optional<QList<AppConfiguration*>>& configurations() const { return m_configurations; }
    QList<AppConfiguration*> configurationList() const {
        return m_configurations.value_or(QList<AppConfiguration*>());
    }
    void setConfigurations(const std::optional<QList<AppConfiguration*>>& list);

    // savedCorner as a position; topRight when the text names none.
    Corner corner() const;
    void setCorner(Corner corner) { setSavedCorner(CornerInfo::rawValue(corner)); }

Q_SIGNALS:
    void idChanged();
    void bundleIDChanged();
    void nameChanged();
    void dateAddedChanged();
    void savedWidthChanged();
    void savedHeightChanged();
    void savedCornerChanged();
    void savedWidthFractionChanged();
    void savedMarginXChanged();
    void savedMarginYChanged();
    void configurationsChanged();

private:
    friend struct SavedAppConfigurations;

    QUuid m_id;
    QString m_bundleID;
    QString m_name;
    QDateTime m_dateAdded;
    double m_savedWidth = 0;
    double m_savedHeight = 0;
    QString m_savedCorner = QStringLiteral("topRight");
    double m_savedWidthFraction = 0.5;
    double m_savedMarginX = 0;
    double m_savedMarginY = 0;
    std::optional<QList<AppConfiguration*>> m_configurations;
};
