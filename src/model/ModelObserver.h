// The hook through which the object store learns that a stored object changed, so that the model
// itself stays free of any storage technology.
#pragma once

class ModelObject;

class ModelObserver {
public:
    enum class Change { attribute, relationship };

    virtual ~ModelObserver() = default;
    // Called before the first of the changes below, while `object` still holds its old values.
    virtual void modelObjectWillChange(ModelObject* object) { (void)object; }
    // Called after every change of an attribute or of a relationship (a link or a list) of `object`.
    virtual void modelObjectDidChange(ModelObject* object, Change change) = 0;
};
