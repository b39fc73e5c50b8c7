// The directory list and drive box of a directory browser, over the real
// drives and directories of the running system.
#pragma once

#include "framework/win32/stdctrls.h"

class TDriveComboBox;

// Lists the current directory's path from the root, one indented entry per
// level, then its subdirectories one level deeper. Opening an entry (double
// click or Enter) makes it the current directory.
class TDirectoryListBox : public TListBox {
    NIMBO_CLASS()

public:
    TDirectoryListBox();
    // Without a trailing backslash, except a drive's root ("C:\").
    const String& Directory() const { return directory_; }
    // Raises EInOutError when `dir` is not an existing directory; the list
    // then keeps what it shows.
    void SetDirectory(const String& dir);
    char Drive() const;
    // The full path an entry stands for.
    String EntryPath(int index) const;
    // Opens the entry, as a double click on it does.
    void OpenEntry(int index);
    void Notification(TComponent* c, TOperation op) override;
    // Enter opens the selected entry.
    bool WantsKey(WPARAM key) override { return key == VK_RETURN; }
    TNotifyEvent OnDirChange;  // "OnChange" of the form resource

protected:
    void InitWnd() override;
    void CommandNotify(WORD code) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    friend class TDriveComboBox;
    void Fill();
    String directory_;
    std::vector<String> entryPaths_;
    TDriveComboBox* driveBox_ = nullptr;  // the drive box bound to this list
};

// Lists the drives of the system; choosing one moves the bound directory
// list to that drive's current directory, and the box follows the list
// when the list moves to another drive.
class TDriveComboBox : public TComboBox {
    NIMBO_CLASS()

public:
    TDriveComboBox();
    ~TDriveComboBox() override;
    TDirectoryListBox* DirList() const { return dirList_; }
    void SetDirList(TDirectoryListBox* d);
    char Drive() const { return drive_; }
    // Raises EInOutError when the drive cannot be read; nothing changes then.
    void SetDrive(char d);
    void SetUpperCase(bool v);
    // The letters listed, in order.
    const std::vector<char>& Letters() const { return letters_; }
    void Notification(TComponent* c, TOperation op) override;

protected:
    void InitWnd() override;
    void CommandNotify(WORD code) override;

private:
    friend class TDirectoryListBox;
    void Fill();
    void ShowDrive(char d);
    TDirectoryListBox* dirList_ = nullptr;
    char drive_ = 'C';
    bool upper_ = false;
    std::vector<char> letters_;
};
