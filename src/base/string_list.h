// A list of text lines, each carrying an object reference (not owned).
// Sorted lists keep case-insensitive order and answer lookups by binary
// search; unsorted lists keep insertion order.
#pragma once

#include <functional>
#include <vector>

#include "base/nstring.h"
#include "base/object.h"

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TObject {
public:
    TStringList() = default;
    TStringList(std::initializer_list<String> lines);

    int Count() const { return static_cast<int>(items_.size()); }
    const String& operator[](int i) const { return Get(i); }
    const String& Get(int i) const;
    void Put(int i, const String& s);
    TObject* Objects(int i) const;
    void PutObject(int i, TObject* o);

    int Add(const String& s) { return AddObject(s, nullptr); }
    int AddObject(const String& s, TObject* o);
    void Insert(int i, const String& s, TObject* o = nullptr);
    void Delete(int i);
    void Clear();
    void Assign(const TStringList& other);
    void AddStrings(const TStringList& other);

    int IndexOf(std::string_view s) const;
    int IndexOfObject(const TObject* o) const;
    // Binary search in a sorted list: true and the index when found, else
    // false and the index where it would be inserted.
    bool Find(std::string_view s, int& index) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates d) { duplicates_ = d; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool v);
    // Orders an unsorted list by `compare`, keeping the order of lines it
    // finds equal; a sorted list keeps its own order.
    void CustomSort(int (*compare)(std::string_view, std::string_view));

    // Lines joined with CR LF after each line; setting splits on CR LF, LF or CR.
    String Text() const;
    void SetText(std::string_view text);

    std::vector<String> Lines() const;
    bool operator==(const TStringList& o) const;

    // Called after every change, for owners that mirror the list somewhere.
    std::function<void()> OnChange;

private:
    struct Item {
        String text;
        TObject* object;
    };
    int Compare(std::string_view a, std::string_view b) const;
    void Sort();
    void Changed();
    void CheckIndex(int i) const;

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
};
