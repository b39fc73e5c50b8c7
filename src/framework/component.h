// Components: named persistent objects with an owner that owns and destroys
// them, state flags, insert/remove notification to every component of the
// owner, and a load-completion call after a form resource has been read.
#pragma once

#include <vector>

#include "framework/persistent.h"

enum TComponentStateFlag : unsigned {
    csLoading = 1,
    csReading = 2,
    csWriting = 4,
    csDestroying = 8,
    csDesigning = 16,
};

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
    NIMBO_CLASS()

public:
    TComponent() = default;
    ~TComponent() override;

    // The framework's virtual constructor: runs after the C++ constructor,
    // with the object's full class in place, and inserts it into the owner
    // (which notifies every component of the owner).
    virtual void Create(TComponent* owner);

    // Removes the component from its owner (with notifications, while its
    // whole class is still alive), then deletes it.
    void Free();

    TComponent* Owner() const { return owner_; }
    const String& Name() const { return name_; }
    virtual void SetName(const String& name);
    int Tag() const { return tag_; }
    void SetTag(int t) { tag_ = t; }

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int i) const { return components_.at(static_cast<size_t>(i)); }
    TComponent* FindComponent(std::string_view name) const;

    unsigned ComponentState() const { return state_; }
    bool HasState(TComponentStateFlag f) const { return (state_ & f) != 0; }
    void SetState(TComponentStateFlag f, bool on) { state_ = on ? (state_ | f) : (state_ & ~static_cast<unsigned>(f)); }

    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);
    // Asks to be told (opRemove) when `other`, perhaps of another owner, goes.
    void FreeNotification(TComponent* other);
    void RemoveFreeNotification(TComponent* other);

    // Told of every insertion into and removal from the owner; the base
    // passes the news on to the components this one owns.
    virtual void Notification(TComponent* component, TOperation operation);
    // Called once the whole form resource has been read and references resolved.
    virtual void Loaded();
    // Reading a form resource: the enclosing component of a nested object.
    virtual void SetParentComponent(TComponent*) {}

    // Destroys every owned component, last first.
    void DestroyComponents();

private:
    void Unlink();

    TComponent* owner_ = nullptr;
    String name_;
    int tag_ = 0;
    unsigned state_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool unlinked_ = false;
};

// Creates a component the way the framework does: construct, then the
// virtual Create with its owner. A failing Create leaves nothing behind.
template <class T> T* NewComponent(TComponent* owner)
{
    T* c = new T();
    try {
        c->Create(owner);
    } catch (...) {
        c->Free();
        throw;
    }
    return c;
}

bool IsValidIdent(std::string_view s);

// Releases a component through Free when the holder goes.
struct TComponentDeleter {
    void operator()(TComponent* c) const
    {
        if (c) c->Free();
    }
};
