// One application inside one configuration, with the application's own stored position and size hints.
#pragma once

#include "Corner.h"
#include "ModelObject.h"
#include "Relationship.h"

#include <QString>

class ConfigurationGroup;
class SavedApp;

class AppConfiguration : public ModelObject {
    Q_OBJECT
public:
    explicit AppConfiguration(QObject* parent = nullptr);
    AppConfiguration(const QString& bundleID, const QString& appName, const QString& relativePosition,
                     int priority, bool isRequired, Corner corner, double widthFraction, double height,
                     double marginX, double marginY, QObject* parent = nullptr);

    static constexpr Kind staticKind = Kind::appConfiguration;
    Kind kind() const override { return staticKind; }
    QList<ModelObject*> relatedObjects() const override;

    QUuid id() const { return m_id; }
    void setId(const QUuid& id) { assign(m_id, id, &AppConfiguration::idChanged); }
    // Nothing sets this link in the program; deleting the saved application clears it.
    SavedApp* savedApp() const { return m_savedApp; }
    void setSavedApp(SavedApp* app);
    // The owner; setting it moves the application to the end of the new owner's list.
    ConfigurationGroup* configurationGroup() const { return m_configurationGroup; }
    void setConfigurationGroup(ConfigurationGroup* group);
    QString bundleID() const { return m_bundleID; }
    void setBundleID(const QString& id) { assign(m_bundleID, id, &AppConfiguration::bundleIDChanged); }
    QString appName() const { return m_appName; }
    void setAppName(const QString& name) { assign(m_appName, name, &AppConfiguration::appNameChanged); }
    QString relativePosition() const { return m_relativePosition; }
    void setRelativePosition(const QString& position) {
        assign(m_relativePosition, position, &AppConfiguration::relativePositionChanged);
    }
    int priority() const { return m_priority; }
    void setPriority(int priority) { assign(m_priority, priority, &AppConfiguration::priorityChanged); }
    bool isRequired() const { return m_isRequired; }
    void setIsRequired(bool required) {
        assign(m_isRequired, required, &AppConfiguration::isRequiredChanged);
    }
    QString savedCorner() const { return m_savedCorner; }
    void setSavedCorner(const QString& corner) {
        assign(m_savedCorner, corner, &AppConfiguration::savedCornerChanged);
    }
    double savedWidthFraction() const { return m_savedWidthFraction; }
    void setSavedWidthFraction(double fraction) {
        assign(m_savedWidthFraction, fraction, &AppConfiguration::savedWidthFractionChanged);
    }
    double savedHeight() const { return m_savedHeight; }
    void setSavedHeight(double height) {
        assign(m_savedHeight, height, &AppConfiguration::savedHeightChanged);
    }
    double savedMarginX() const { return m_savedMarginX; }
    void setSavedMarginX(double margin) {
        assign(m_savedMarginX, margin, &AppConfiguration::savedMarginXChanged);
    }
    double savedMarginY() const { return m_savedMarginY; }
    void setSavedMarginY(double margin) {
        assign(m_savedMarginY, margin, &AppConfiguration::savedMarginYChanged);
    }

    // savedCorner as a position; topRight when the text names none.
    Corner corner() const;
    void setCorner(Corner corner) { setSavedCorner(CornerInfo::rawValue(corner)); }

Q_SIGNALS:
    void idChanged();
    void savedAppChanged();
    void configurationGroupChanged();
    void bundleIDChanged();
    void appNameChanged();
    void relativePositionChanged();
    void priorityChanged();
    void isRequiredChanged();
    void savedCornerChanged();
    void savedWidthFractionChanged();
    void savedHeightChanged();
    void savedMarginXChanged();
    void savedMarginYChanged();

private:
    friend struct ConfigurationApps;
    friend struct SavedAppConfigurations;

    QUuid m_id;
    SavedApp* m_savedApp = nullptr;
    ConfigurationGroup* m_configurationGroup = nullptr;
    QString m_bundleID;
    QString m_appName;
    QString m_relativePosition;
    int m_priority = 0;
    bool m_isRequired = false;
    QString m_savedCorner = QStringLiteral("topRight");
    double m_savedWidthFraction = 0.5;
    double m_savedHeight = 400;
    double m_savedMarginX = 10;
    double m_savedMarginY = 10;
};
