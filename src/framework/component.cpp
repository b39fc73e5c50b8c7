#include "framework/component.h"

#include <algorithm>

#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TComponent, TPersistent, false, p.Int("Tag", &TComponent::SetTag))

bool IsValidIdent(std::string_view s)
{
    if (s.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(s[0])) return false;
    for (char c : s)
        if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

void TComponent::Create(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    // Free() normally did all this while the whole object was alive.
    Unlink();
}

void TComponent::Free()
{
    Unlink();
    delete this;
}

void TComponent::Unlink()
{
    if (unlinked_) return;
    unlinked_ = true;
    state_ |= csDestroying;
    DestroyComponents();
    for (TComponent* f : std::vector<TComponent*>(freeNotifies_)) {
        f->RemoveFreeNotification(this);
        f->Notification(this, TOperation::opRemove);
    }
    freeNotifies_.clear();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const String& name)
{
    if (name == name_) return;
    if (!name.empty() && !IsValidIdent(name)) throw EComponentError("'" + name + "' is not a valid component name");
    if (owner_ && !name.empty()) {
        TComponent* other = owner_->FindComponent(name);
        if (other && other != this) throw EComponentError("A component named " + name + " already exists");
    }
    name_ = name;
}

TComponent* TComponent::FindComponent(std::string_view name) const
{
    if (name.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* c)
{
    if (!c->name_.empty()) {
        TComponent* other = FindComponent(c->name_);
        if (other) throw EComponentError("A component named " + c->name_ + " already exists");
    }
    if (c->owner_) c->owner_->RemoveComponent(c);
    components_.push_back(c);
    c->owner_ = this;
    Notification(c, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* c)
{
    Notification(c, TOperation::opRemove);
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it != components_.end()) components_.erase(it);
    c->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* other)
{
    if (!other || other == this) return;
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) == other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
}

void TComponent::RemoveFreeNotification(TComponent* other)
{
    // The link is kept on both sides, so it is dropped on both: otherwise
    // `other` would later tell a component that is long gone.
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), other), freeNotifies_.end());
    if (other)
        other->freeNotifies_.erase(std::remove(other->freeNotifies_.begin(), other->freeNotifies_.end(), this),
                                   other->freeNotifies_.end());
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component) RemoveFreeNotification(component);
    // Copy: a handler may add or remove components.
    for (TComponent* c : std::vector<TComponent*>(components_))
        if (std::find(components_.begin(), components_.end(), c) != components_.end())
            c->Notification(component, operation);
}

void TComponent::Loaded() { state_ &= ~static_cast<unsigned>(csLoading); }

void TComponent::DestroyComponents()
{
    while (!components_.empty()) {
        TComponent* c = components_.back();
        c->Free();  // removes itself from components_
    }
}
