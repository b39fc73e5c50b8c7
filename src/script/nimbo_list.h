// An ordered list of entry references that answers membership and position
// without scanning: a script may hold tens of thousands of files, and
// selecting them one by one must not be quadratic. Removing an entry leaves
// a hole that the next positional access closes, so a run of removals stays
// cheap while the remaining entries keep their order.
#pragma once

#include <unordered_map>
#include <vector>

#include "base/exceptions.h"
#include "base/nstring.h"

template <class T> class TNimboList {
public:
    using const_iterator = typename std::vector<T*>::const_iterator;

    int Count() const { return static_cast<int>(slot_.size()); }
    bool Empty() const { return slot_.empty(); }
    bool Contains(const T* item) const { return item && slot_.count(item) != 0; }

    // Position of the entry, -1 when it is not in the list.
    int IndexOf(const T* item) const
    {
        if (!item) return -1;
        Compact();
        const auto it = slot_.find(item);
        return it == slot_.end() ? -1 : static_cast<int>(it->second);
    }

    T* operator[](int index) const { return Items(index); }
    T* Items(int index) const
    {
        if (index < 0 || index >= Count()) throw EListError(Format("List index out of bounds (%d)", index));
        Compact();
        return items_[static_cast<size_t>(index)];
    }

    // False for none and for an entry already listed.
    bool Add(T* item)
    {
        if (!item || slot_.count(item)) return false;
        slot_.emplace(item, items_.size());
        items_.push_back(item);
        return true;
    }

    // False when the entry is not listed; the others keep their order.
    bool Remove(const T* item)
    {
        const auto it = item ? slot_.find(item) : slot_.end();
        if (it == slot_.end()) return false;
        items_[it->second] = nullptr;
        slot_.erase(it);
        ++holes_;
        // Keep the holes from outgrowing the entries.
        if (holes_ > 64 && holes_ > slot_.size()) Compact();
        return true;
    }

    void Clear()
    {
        items_.clear();
        slot_.clear();
        holes_ = 0;
    }

    const_iterator begin() const
    {
        Compact();
        return items_.cbegin();
    }
    const_iterator end() const
    {
        Compact();
        return items_.cend();
    }

private:
    void Compact() const
    {
        if (!holes_) return;
        size_t out = 0;
        for (T* item : items_) {
            if (!item) continue;
            items_[out] = item;
            slot_[item] = out;
            ++out;
        }
        items_.resize(out);
        holes_ = 0;
    }

    // Mutable so that const readers can close holes first.
    mutable std::vector<T*> items_;
    mutable std::unordered_map<const T*, size_t> slot_;
    mutable size_t holes_ = 0;
};
