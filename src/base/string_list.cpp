#include "base/string_list.h"

#include <algorithm>

#include "base/exceptions.h"

TStringList::TStringList(std::initializer_list<String> lines)
{
    for (const auto& l : lines) items_.push_back({l, nullptr});
}

void TStringList::CheckIndex(int i) const
{
    if (i < 0 || i >= Count()) throw EListError(Format("List index out of bounds (%d)", i));
}

const String& TStringList::Get(int i) const
{
    CheckIndex(i);
    return items_[static_cast<size_t>(i)].text;
}

void TStringList::Put(int i, const String& s)
{
    CheckIndex(i);
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    items_[static_cast<size_t>(i)].text = s;
    Changed();
}

TObject* TStringList::Objects(int i) const
{
    CheckIndex(i);
    return items_[static_cast<size_t>(i)].object;
}

void TStringList::PutObject(int i, TObject* o)
{
    CheckIndex(i);
    items_[static_cast<size_t>(i)].object = o;
}

int TStringList::Compare(std::string_view a, std::string_view b) const
{
    return caseSensitive_ ? a.compare(b) : CompareText(a, b);
}

int TStringList::AddObject(const String& s, TObject* o)
{
    if (!sorted_) {
        items_.push_back({s, o});
        Changed();
        return Count() - 1;
    }
    int index = 0;
    if (Find(s, index)) {
        if (duplicates_ == TDuplicates::dupIgnore) return index;
        if (duplicates_ == TDuplicates::dupError) throw EListError("String list does not allow duplicates");
        // dupAccept: keep equal lines in insertion order.
        while (index < Count() && Compare(items_[static_cast<size_t>(index)].text, s) == 0) ++index;
    }
    items_.insert(items_.begin() + index, Item{s, o});
    Changed();
    return index;
}

void TStringList::Insert(int i, const String& s, TObject* o)
{
    if (sorted_) throw EListError("Operation not allowed on sorted list");
    if (i < 0 || i > Count()) throw EListError(Format("List index out of bounds (%d)", i));
    items_.insert(items_.begin() + i, Item{s, o});
    Changed();
}

void TStringList::Delete(int i)
{
    CheckIndex(i);
    items_.erase(items_.begin() + i);
    Changed();
}

void TStringList::Clear()
{
    if (items_.empty()) return;
    items_.clear();
    Changed();
}

void TStringList::Assign(const TStringList& other)
{
    if (&other == this) return;
    items_.clear();
    for (const auto& it : other.items_) items_.push_back(it);
    if (sorted_) Sort();
    Changed();
}

void TStringList::AddStrings(const TStringList& other)
{
    for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.Objects(i));
}

int TStringList::IndexOf(std::string_view s) const
{
    if (sorted_) {
        int index = 0;
        return Find(s, index) ? index : -1;
    }
    for (size_t i = 0; i < items_.size(); ++i)
        if (Compare(items_[i].text, s) == 0) return static_cast<int>(i);
    return -1;
}

int TStringList::IndexOfObject(const TObject* o) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].object == o) return static_cast<int>(i);
    return -1;
}

bool TStringList::Find(std::string_view s, int& index) const
{
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = Compare(items_[static_cast<size_t>(mid)].text, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept) lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort()
{
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
}

void TStringList::CustomSort(int (*compare)(std::string_view, std::string_view))
{
    if (sorted_) return;
    std::stable_sort(items_.begin(), items_.end(),
                     [compare](const Item& a, const Item& b) { return compare(a.text, b.text) < 0; });
    Changed();
}

void TStringList::SetSorted(bool v)
{
    if (v == sorted_) return;
    sorted_ = v;
    if (v) Sort();
}

void TStringList::SetCaseSensitive(bool v)
{
    if (v == caseSensitive_) return;
    caseSensitive_ = v;
    if (sorted_) Sort();
}

String TStringList::Text() const
{
    String r;
    for (const auto& it : items_) {
        r += it.text;
        r += "\r\n";
    }
    return r;
}

void TStringList::SetText(std::string_view text)
{
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
        items_.push_back({String(text.substr(i, j - i)), nullptr});
        if (j < text.size() && text[j] == '\r') ++j;
        if (j < text.size() && text[j] == '\n') ++j;
        i = j;
    }
    if (sorted_) Sort();
    Changed();
}

std::vector<String> TStringList::Lines() const
{
    std::vector<String> r;
    r.reserve(items_.size());
    for (const auto& it : items_) r.push_back(it.text);
    return r;
}

bool TStringList::operator==(const TStringList& o) const
{
    if (Count() != o.Count()) return false;
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].text != o.items_[i].text) return false;
    return true;
}

void TStringList::Changed()
{
    if (OnChange) OnChange();
}
