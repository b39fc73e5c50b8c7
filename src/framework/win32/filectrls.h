// The directory list and drive box of the directory browser.
#pragma once

#include "framework/win32/stdctrls.h"

// Lists the current directory's path from the root, then its subdirectories;
// choosing an entry (double click or Enter) makes it the current directory.
class TDirectoryListBox : public TListBox {
    NIMBO_CLASS()

public:
    TDirectoryListBox();
    const String& Directory() const { return directory_; }  // without trailing '\' except a root
    void SetDirectory(const String& dir);
    TNotifyEvent OnDirChange;  // "OnChange" of the form resource

protected:
    void InitWnd() override;
    void CommandNotify(WORD code) override;

private:
    void Fill();
    String directory_;
    std::vector<String> entryPaths_;
};

// Lists the drives of the system; selecting one moves the bound directory list.
class TDriveComboBox : public TComboBox {
    NIMBO_CLASS()

public:
    TDriveComboBox();
    void SetDirList(TDirectoryListBox* d);
    char Drive() const { return drive_; }
    void SetDrive(char d);
    void SetUpperCase(bool v) { upper_ = v; }
    void Notification(TComponent* c, TOperation op) override;

protected:
    void InitWnd() override;
    void CommandNotify(WORD code) override;

private:
    void Fill();
    TDirectoryListBox* dirList_ = nullptr;
    char drive_ = 'C';
    bool upper_ = false;
    std::vector<char> letters_;
};
