#include "EditScope.h"

#include "ModelContext.h"
#include "ObjectSnapshot.h"

#include "model/AppConfiguration.h"
#include "model/AppPositionMapping.h"
#include "model/ConfigurationGroup.h"
#include "model/PositionGroup.h"
#include "model/SavedApp.h"

namespace {
template <class T> T* copyOf(const T* original) {
    auto* copy = new T();
    ObjectSnapshot::copyAttributes(original, copy);
    return copy;
}
} // namespace

// A draft and, kept apart, the values it started from: commit() writes only what the user changed,
// so that what others changed on the live object meanwhile (an activation's time stamp) stays.
template <class T> T* EditScope::draftOf(T* original) {
    T* draft = copyOf(original);
    m_liveOf.insert(draft, original);
    m_base.insert(draft, std::shared_ptr<ModelObject>(copyOf(original)));
    return draft;
}

EditScope::EditScope(ConfigurationGroup* original, QObject* parent) : QObject(parent), m_original(original) {
    m_context = ModelContext::of(original);
    if (!m_context || !m_context->contains(original))
        return;
    connect(original, &ModelObject::deleted, this, [this] {
        m_configurationDeleted = true;
        Q_EMIT configurationDeleted();
    });

    m_draft = draftOf(original);
    m_draft->setParent(this);
    if (const auto& apps = original->configurations()) {
        QList<AppConfiguration*> drafts;
        drafts.reserve(apps->size());
        for (AppConfiguration* app : *apps) {
            AppConfiguration* draft = draftOf(app);
            m_known.insert(app);
            if (app->savedApp())
                m_savedAppOf.insert(draft, app->savedApp());
            drafts.append(draft);
        }
        m_draft->setConfigurations(drafts);
    }
    if (const auto& groups = original->positionGroups()) {
        QList<PositionGroup*> drafts;
        drafts.reserve(groups->size());
        for (PositionGroup* group : *groups) {
            PositionGroup* draft = draftOf(group);
            m_known.insert(group);
            if (const auto& mappings = group->appPositions()) {
                QList<AppPositionMapping*> draftMappings;
                draftMappings.reserve(mappings->size());
                for (AppPositionMapping* mapping : *mappings) {
                    AppPositionMapping* draftMapping = draftOf(mapping);
                    m_known.insert(mapping);
                    draftMappings.append(draftMapping);
                }
                draft->setAppPositions(draftMappings);
            }
            drafts.append(draft);
        }
        m_draft->setPositionGroups(drafts);
    }
}

EditScope::~EditScope() {
    discard();
}

void EditScope::discard() {
    delete m_draft;
    m_draft = nullptr;
    m_liveOf.clear();
    m_base.clear();
    m_known.clear();
    m_savedAppOf.clear();
}

SavedApp* EditScope::savedApp(const AppConfiguration* draftApp) const {
    return m_savedAppOf.value(draftApp);
}

void EditScope::setSavedApp(const AppConfiguration* draftApp, SavedApp* app) {
    m_savedAppOf.insert(draftApp, app);
}

bool EditScope::checkWritable(QString* error) const {
    QString message;
    if (!m_draft)
        message = QStringLiteral("The configuration is no longer being edited.");
    else if (m_configurationDeleted || !m_context->contains(m_original))
        message = QStringLiteral("The configuration \u201c%1\u201d was deleted; its changes cannot be saved.")
                      .arg(m_original->name());
    if (message.isEmpty())
        return true;
    if (error)
        *error = message;
    return false;
}

bool EditScope::commit(QString* error) {
    if (!checkWritable(error))
        return false;
    m_context->beginChangeSet();
    QList<ModelObject*> touched;
    apply(touched);
    QString message;
    if (!m_context->save(touched, &message)) {
        m_context->revertChangeSet();
        if (error)
            *error = message;
        return false;
    }
    m_context->endChangeSet();
    discard();
    return true;
}

bool EditScope::commitName(const QString& name, QString* error) {
    if (!checkWritable(error))
        return false;
    m_draft->setName(name);
    m_context->beginChangeSet();
    m_original->setName(name);
    const QSet<const ModelObject*> only{m_original};
    QString message;
    if (!m_context->write(&only, &message)) {
        m_context->revertChangeSet();
        if (error)
            *error = message;
        return false;
    }
    m_context->endChangeSet();
    // The stored name is now the scope's starting point, like the rest of what it opened with.
    static_cast<ConfigurationGroup*>(m_base.value(m_draft).get())->setName(name);
    return true;
}

// The live object a draft is written to: the one it was copied from while the context still holds
// it, else a new one with the draft's identifier.
ModelObject* EditScope::liveFor(ModelObject* draft) {
    ModelObject* live = m_liveOf.value(draft);
    if (live && m_context->contains(live)) {
        ObjectSnapshot::copyChangedAttributes(m_base.value(draft).get(), draft, live);
        return live;
    }
    {
        switch (draft->kind()) {
        case ModelObject::Kind::appConfiguration:
            live = new AppConfiguration();
            break;
        case ModelObject::Kind::positionGroup:
            live = new PositionGroup();
            break;
        default:
            live = new AppPositionMapping();
            break;
        }
    }
    ObjectSnapshot::copyAttributes(draft, live);
    return live;
}

namespace {
// The live list for a draft list: the drafts' live objects in draft order, then the members the scope
// never knew (added by another writer meanwhile). Absent stays absent when nothing is to be kept.
template <class T, class LiveFor>
std::optional<QList<T*>> liveList(const std::optional<QList<T*>>& drafts,
                                  const std::optional<QList<T*>>& live, const QSet<ModelObject*>& known,
                                  LiveFor liveFor) {
    std::optional<QList<T*>> result;
    if (drafts) {
        result.emplace();
        for (T* draft : *drafts)
            result->append(static_cast<T*>(liveFor(draft)));
    }
    if (live)
        for (T* member : *live)
            if (!known.contains(member) && !(result && result->contains(member))) {
                if (!result)
                    result.emplace();
                result->append(member);
            }
    return result;
}
} // namespace

void EditScope::apply(QList<ModelObject*>& touched) {
    const auto live = [this](ModelObject* draft) { return liveFor(draft); };
    ObjectSnapshot::copyChangedAttributes(m_base.value(m_draft).get(), m_draft, m_original);
    touched.append(m_original);

    const std::optional<QList<AppConfiguration*>> apps =
        liveList(m_draft->configurations(), m_original->configurations(), m_known, live);
    m_original->setConfigurations(apps);
    const std::optional<QList<PositionGroup*>> groups =
        liveList(m_draft->positionGroups(), m_original->positionGroups(), m_known, live);
    m_original->setPositionGroups(groups);
    const QList<PositionGroup*> draftGroups = m_draft->positionGroupList();
    for (qsizetype i = 0; i < draftGroups.size(); ++i) {
        PositionGroup* group = groups->at(i);
        group->setAppPositions(
            liveList(draftGroups[i]->appPositions(), group->appPositions(), m_known, live));
    }

    // Saved-application links, after the applications are in their lists.
    const QList<AppConfiguration*> draftApps = m_draft->configurationList();
    for (qsizetype i = 0; i < draftApps.size(); ++i) {
        AppConfiguration* app = apps->at(i);
        SavedApp* wanted = m_savedAppOf.value(draftApps[i]);
        if (wanted && !m_context->contains(wanted))
            wanted = nullptr;
        if (app->savedApp() == wanted)
            continue;
        if (app->savedApp())
            touched.append(app->savedApp());
        if (wanted)
            touched.append(wanted);
        app->setSavedApp(wanted);
    }

    // What the user took out of the configuration is deleted, unless it went elsewhere meanwhile.
    for (ModelObject* object : std::as_const(m_known)) {
        if (!m_context->contains(object))
            continue;
        bool linked = false;
        switch (object->kind()) {
        case ModelObject::Kind::appConfiguration:
            linked = static_cast<AppConfiguration*>(object)->configurationGroup() != nullptr;
            break;
        case ModelObject::Kind::positionGroup:
            linked = static_cast<PositionGroup*>(object)->configurationGroup() != nullptr;
            break;
        default:
            linked = static_cast<AppPositionMapping*>(object)->positionGroup() != nullptr;
            break;
        }
        if (linked)
            continue;
        m_context->deleteObject(object);
        touched.append(object);
    }
}
