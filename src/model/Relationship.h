// Keeps the two sides of a one-to-many relationship in agreement: setting a child's link puts it at
// the end of its owner's list, assigning or appending to a list sets the members' links, and a child
// stands at most once in at most one owner's list.
#pragma once

#include <QList>

#include <optional>

class AppConfiguration;
class AppPositionMapping;
class ConfigurationGroup;
class PositionGroup;
class SavedApp;

// One trait per relationship: where its list and link live and which signals announce them.
struct ConfigurationApps {
    // Whether the owner deletes its children (and so owns them before the store does).
    static constexpr bool ownsChildren = true;
    using Owner = ConfigurationGroup;
    using Child = AppConfiguration;
    static std::optional<QList<Child*>>& list(Owner* owner);
    static Owner*& link(Child* child);
    static void listChanged(Owner* owner);
    static void linkChanged(Child* child);
};

struct ConfigurationPositionGroups {
    static constexpr bool ownsChildren = true;
    using Owner = ConfigurationGroup;
    using Child = PositionGroup;
    static std::optional<QList<Child*>>& list(Owner* owner);
    static Owner*& link(Child* child);
    static void listChanged(Owner* owner);
    static void linkChanged(Child* child);
};

struct PositionGroupMappings {
    static constexpr bool ownsChildren = true;
    using Owner = PositionGroup;
    using Child = AppPositionMapping;
    static std::optional<QList<Child*>>& list(Owner* owner);
    static Owner*& link(Child* child);
    static void listChanged(Owner* owner);
    static void linkChanged(Child* child);
};

struct SavedAppConfigurations {
    static constexpr bool ownsChildren = false;
    using Owner = SavedApp;
    using Child = AppConfiguration;
    static std::optional<QList<Child*>>& list(Owner* owner);
    static Owner*& link(Child* child);
    static void listChanged(Owner* owner);
    static void linkChanged(Child* child);
};

template <class R> struct Relationship {
    using Owner = typename R::Owner;
    using Child = typename R::Child;
    using List = std::optional<QList<Child*>>;

    // child.link = owner; a child that changes owner leaves its old list and joins the end of the new one.
    static void setLink(Child* child, Owner* owner) {
        Owner* old = R::link(child);
        if (old == owner)
            return;
        child->willChange();
        if (old)
            old->willChange();
        if (owner)
            owner->willChange();
        if (old) {
            R::list(old)->removeAll(child);
            R::listChanged(old);
        }
        R::link(child) = owner;
        adoptObject(child, old, owner);
        if (owner) {
            List& members = R::list(owner);
            if (!members)
                members.emplace();
            members->append(child);
            R::listChanged(owner);
        }
        R::linkChanged(child);
    }

    // Outside the store, an owner that deletes its children also owns them as objects, so that a
    // graph built before it is stored is freed with its root. Objects owned elsewhere stay there.
    static void adoptObject(Child* child, Owner* previous, Owner* owner) {
        if constexpr (R::ownsChildren)
            if (owner && (!child->parent() || child->parent() == previous))
                child->setParent(owner);
    }

    // Appends at the end, creating the list when it is absent; a member already there stays where it is.
    static void append(Owner* owner, Child* child) {
        if (!child)
            return;
        if (R::link(child) == owner) {
            List& members = R::list(owner);
            if (!members) {
                owner->willChange();
                members.emplace();
                members->append(child);
                R::listChanged(owner);
            }
            return;
        }
        setLink(child, owner);
    }

    // Replaces the whole list (absent stays distinct from empty); members that left lose their link,
    // members that joined leave their previous owner.
    static void setList(Owner* owner, List list) {
        if (list) {
            QList<Child*> unique;
            unique.reserve(list->size());
            for (Child* child : std::as_const(*list))
                if (child && !unique.contains(child))
                    unique.append(child);
            list = std::move(unique);
        }
        List& current = R::list(owner);
        if (current == list)
            return;
        // Everyone about to change is told first, while all still hold their old values.
        owner->willChange();
        if (current)
            for (Child* child : std::as_const(*current))
                if (!list || !list->contains(child))
                    child->willChange();
        if (list)
            for (Child* child : std::as_const(*list))
                if (Owner* previous = R::link(child); previous != owner) {
                    child->willChange();
                    if (previous)
                        previous->willChange();
                }
        const List old = std::exchange(current, list);
        if (old)
            for (Child* child : *old)
                if (!list || !list->contains(child)) {
                    R::link(child) = nullptr;
                    R::linkChanged(child);
                }
        if (list)
            for (Child* child : std::as_const(*list)) {
                Owner* previous = R::link(child);
                if (previous == owner)
                    continue;
                if (previous) {
                    R::list(previous)->removeAll(child);
                    R::listChanged(previous);
                }
                R::link(child) = owner;
                adoptObject(child, previous, owner);
                R::linkChanged(child);
            }
        R::listChanged(owner);
    }
};
