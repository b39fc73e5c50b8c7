#include "script/nimbo_win_items.h"

#include "framework/properties.h"
#include "script/nimbo_data.h"

NIMBO_DEFINE_CLASS(TNimboWinItem, TPersistent, false,
                   p.Str("CommandLine", &TNimboWinItem::SetCommandLine).Str("Name", &TNimboWinItem::SetName))
NIMBO_DEFINE_CLASS(TNimboWinGroups, TPersistent, false,
                   p.Str("Name", &TNimboWinGroups::SetName).Str("Title", &TNimboWinGroups::SetTitle))

void TNimboWinItem::SetName(const String& v)
{
    if (script_) {
        for (const TNimboWinItem* w : script_->WinItems())
            if (w != this && w->Name() == v) return;
    }
    name_ = v;
}

void TNimboWinGroups::ListItems(TStringList& lines) const
{
    lines.Clear();
    for (TNimboWinItem* item : items_) lines.AddObject(item->Name(), item);
}
