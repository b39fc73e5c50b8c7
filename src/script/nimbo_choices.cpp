#include "script/nimbo_choices.h"

#include "framework/properties.h"
#include "script/nimbo_data.h"

NIMBO_DEFINE_CLASS(TNimboChoiceItem, TPersistent, false,
                   p.Str("Name", &TNimboChoiceItem::SetName).Str("Title", &TNimboChoiceItem::SetTitle))
NIMBO_DEFINE_CLASS(TNimboChoiceData, TPersistent, false, p.Str("Name", &TNimboChoiceData::SetName))

TNimboChoiceItem::TNimboChoiceItem()
    : add_(std::make_unique<TNimboFileGroupList>()), description_(std::make_unique<TStringList>()),
      remove_(std::make_unique<TNimboFileGroupList>())
{
}

TNimboChoiceItem::~TNimboChoiceItem() = default;

void TNimboChoiceItem::SetName(const String& v)
{
    if (script_) {
        for (const TNimboChoiceItem* c : script_->ChoiceItems())
            if (c != this && c->Name() == v) return;
    }
    name_ = v;
}

void TNimboChoiceItem::SetScript(TNimboData* v)
{
    script_ = v;
    add_->SetScript(v);
    remove_->SetScript(v);
}

void TNimboChoiceData::ListItems(TStringList& lines) const
{
    lines.Clear();
    for (TNimboChoiceItem* item : items_) lines.AddObject(item->Name(), item);
}
