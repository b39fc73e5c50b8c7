// The program groups page: lets the user pick or name the Program Manager
// group of the installed application, then creates the group and one item
// per installed program file, and records both for the log. An attended
// run asks Program Manager over DDE (and closes the folder windows its
// shell opens for that); an unattended one, which may open no window, and
// one that no Program Manager answers make the group's folder and links in
// the Start menu of the install's scope themselves.
#pragma once

#include <functional>
#include <vector>

#include "engine/nimbo_component.h"
#include "framework/win32/extctrls.h"

class TNimboWinGroups;
class TNimboWinItem;

class TNimboGroups : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboGroups();
    void RenameScriptEntry(const String& from, const String& to) override;
    void RegisterScriptEntry() override;
    void UnregisterScriptEntry() override;

    void PageActive() override;
    void ShowPage() override;
    String RefusedSwitch() const override;
    void DoNext() override;
    // Once it has made a group, going back to it would make another.
    bool BlocksPrevious() const override { return madeGroup_; }

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
    // A page that makes no group: /NOICONS, or no program of its items installed.
    bool Skipped() const;

private:
    void FillGroupList();
    bool GroupExists(const String& group) const;
    // False, having sent nothing, when no Program Manager answers.
    bool SendCommands(const String& group, bool existing);
    void MakeFolders(const String& group, bool existing);
    // Asks Program Manager for the item and makes its link itself where
    // the shell did not; false when neither way made it.
    bool AddItem(const std::vector<String>& folders, const TNimboWinItem* item, const String& path);
    // The page's text says what it makes now.
    void ShowProgress(const String& what);
    void GroupFailed(const String& group);
    // Writes the item's link down in the run's journal before it is made.
    bool KeptInJournal(const String& link);
    // Records and makes each item that is installed; `make` makes one from
    // its program's path, false when it failed.
    void CreateItems(const String& group, const std::function<bool(const TNimboWinItem*, const String&)>& make);
    void MinimizeTick(TObject* sender);

    bool minimizeProgMan_ = true;
    TStringList existingGroups_;
    HWND progMan_ = nullptr;
    String shownGroup_;  // the group Next showed last, whose folder windows are closed
    TStringList text_;
    TTimer* minimizeTimer_ = nullptr;  // owned as a component of this page
    int minimizeTicks_ = 0;            // since the last Next that showed the group
    bool madeGroup_ = false;
};
