// Program Manager items and the content of one program-groups page.
#pragma once

#include "script/nimbo_files.h"

class TNimboWinItem : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboWinItem() = default;

    // Arguments written after the item file's quoted path.
    const String& CommandLine() const { return commandLine_; }
    void SetCommandLine(const String& v) { commandLine_ = v; }
    TNimboDir* Dir() const { return dir_; }
    void SetDir(TNimboDir* v) { dir_ = v; }
    TNimboFile* ItemFile() const { return itemFile_; }
    void SetItemFile(TNimboFile* v) { itemFile_ = v; }
    const String& Name() const { return name_; }
    // Ignored when another program item of the script has this name.
    void SetName(const String& v);
    TNimboData* Script() const { return script_; }
    void SetScript(TNimboData* v) { script_ = v; }

    void Assign(const TPersistent* source) override;
    void ReadData(int version, TReader& reader);
    void WriteData(TWriter& writer) const;

private:
    String commandLine_;
    TNimboDir* dir_ = nullptr;
    TNimboFile* itemFile_ = nullptr;
    String name_;
    TNimboData* script_ = nullptr;
};

class TNimboWinGroups : public TPersistent {
    NIMBO_CLASS()

public:
    TNimboWinGroups() = default;

    const TNimboList<TNimboWinItem>& Items() const { return items_; }
    const String& Name() const { return name_; }
    void SetName(const String& v) { name_ = v; }
    TNimboData* Script() const { return script_; }
    void SetScript(TNimboData* v) { script_ = v; }
    // Default title of the Program Manager group.
    const String& Title() const { return title_; }
    void SetTitle(const String& v) { title_ = v; }

    // False for none or an item already listed.
    bool AddItem(TNimboWinItem* item) { return items_.Add(item); }
    void ListItems(TStringList& lines) const;

    void Assign(const TPersistent* source) override;
    void ReadData(int version, TReader& reader);
    void WriteData(TWriter& writer) const;

private:
    TNimboList<TNimboWinItem> items_;
    String name_;
    TNimboData* script_ = nullptr;
    String title_ = "New Application";
};
