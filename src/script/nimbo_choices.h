// Install types and options (choice items) and the content of one choice
// page (choice data).
#pragma once

#include <memory>

#include "script/nimbo_groups.h"

class TNimboChoiceItem : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboChoiceItem();
    ~TNimboChoiceItem() override;

    // Files selected when the item is applied.
    TNimboFileGroupList* Add() const { return add_.get(); }
    // Files deselected when the item is applied.
    TNimboFileGroupList* Remove() const { return remove_.get(); }
    // Remove for index 1, Add for any other.
    TNimboFileGroupList* FileGroupLists(int index) const { return index == 1 ? Remove() : Add(); }

    TStringList& Description() { return *description_; }
    const TStringList& Description() const { return *description_; }
    void SetDescription(const TStringList& lines) { description_->Assign(lines); }
    const String& Name() const { return name_; }
    // Ignored when another choice item of the script has this name.
    void SetName(const String& v);
    TNimboData* Script() const { return script_; }
    // Also given to Add and Remove.
    void SetScript(TNimboData* v);
    const String& Title() const { return title_; }
    void SetTitle(const String& v) { title_ = v; }

    void Assign(const TPersistent* source) override;
    void ReadData(int version, TReader& reader);
    void WriteData(TWriter& writer) const;

private:
    std::unique_ptr<TNimboFileGroupList> add_;
    std::unique_ptr<TStringList> description_;
    String name_;
    TNimboData* script_ = nullptr;
    std::unique_ptr<TNimboFileGroupList> remove_;
    String title_;
};

class TNimboChoiceData : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboChoiceData() = default;

    // Applied whenever the page is left with Next.
    TNimboChoiceItem* Common() const { return common_; }
    void SetCommon(TNimboChoiceItem* v) { common_ = v; }
    const TNimboList<TNimboChoiceItem>& Items() const { return items_; }
    const String& Name() const { return name_; }
    void SetName(const String& v) { name_ = v; }
    TNimboData* Script() const { return script_; }
    void SetScript(TNimboData* v) { script_ = v; }

    // False for none or an item already listed.
    bool AddItem(TNimboChoiceItem* item) { return items_.Add(item); }
    void ListItems(TStringList& lines) const;

    void Assign(const TPersistent* source) override;
    void ReadData(int version, TReader& reader);
    void WriteData(TWriter& writer) const;

private:
    TNimboChoiceItem* common_ = nullptr;
    TNimboList<TNimboChoiceItem> items_;
    String name_;
    TNimboData* script_ = nullptr;
};
