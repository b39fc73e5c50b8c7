// The program groups page: lets the user pick or name the Program Manager
// group of the installed application, then creates the group and one item
// per installed program file over DDE, and records both for the log.
#pragma once

#include "engine/nimbo_component.h"
#include "framework/win32/extctrls.h"

class TNimboWinGroups;

class TNimboGroups : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboGroups();
    void RenameScriptEntry(const String& from, const String& to) override;
    void RegisterScriptEntry() override;
    void UnregisterScriptEntry() override;

    void PageActive() override;
    void ShowPage() override;
    void DoNext() override;

    bool MinimizeProgMan() const { return minimizeProgMan_; }
    void SetMinimizeProgMan(bool v) { minimizeProgMan_ = v; }
    TStringList* Text() { return &text_; }
    void SetText(const TStringList& lines) { text_.Assign(lines); }
    // The group names Program Manager reported when the page was last shown.
    const TStringList& ExistingGroups() const { return existingGroups_; }
    // The script's record of this page's group and items.
    TNimboWinGroups* Groups() const;
    // How many of the group's program files exist on disk.
    int ProgramFileCount() const;

private:
    void FillGroupList();
    void CreateGroup(const String& group);
    void CreateItems(const String& group);
    void MinimizeTick(TObject* sender);
    bool IsProgManWindow(HWND h) const;

    bool minimizeProgMan_ = true;
    TStringList existingGroups_;
    HWND progMan_ = nullptr;
    String shownGroup_;  // the group Next showed last
    TStringList text_;
    TTimer* minimizeTimer_ = nullptr;  // owned as a component of this page
};
