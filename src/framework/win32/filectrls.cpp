#include "framework/win32/filectrls.h"

#include <algorithm>

#include "framework/properties.h"
#include "framework/win32/folder_walk.h"
#include "framework/win32/system_error.h"

namespace {
// 0 when the path names a directory, else the platform's reason why not.
DWORD DirectoryError(const String& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return GetLastError();
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

char UpperLetter(char c) { return static_cast<char>(toupper(static_cast<unsigned char>(c))); }

// "C:", "C:\" and "C:\A\" as "C:\", "C:\" and "C:\A".
String NormalDirectory(const String& dir)
{
    String d = dir;
    while (d.size() > 3 && d.back() == '\\') d.pop_back();
    if (d.size() == 2 && d[1] == ':') d += '\\';
    return d;
}
}  // namespace

NIMBO_DEFINE_CLASS(
    TDirectoryListBox, TListBox, true,
    p.Event("OnChange", &TDirectoryListBox::OnDirChange).Str("Directory", &TDirectoryListBox::SetDirectory))

TDirectoryListBox::TDirectoryListBox()
{
    char buf[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    directory_ = n && n < MAX_PATH ? NormalDirectory(String(buf, n)) : String("C:\\");
}

void TDirectoryListBox::InitWnd()
{
    TListBox::InitWnd();
    Fill();
}

char TDirectoryListBox::Drive() const { return directory_.empty() ? '\0' : UpperLetter(directory_[0]); }

void TDirectoryListBox::SetDirectory(const String& dir)
{
    const String d = NormalDirectory(dir);
    // A path of another form is refused before the platform is asked.
    if (d.size() < 3 || d[1] != ':' || d[2] != '\\') throw EInOutError("Invalid directory " + dir);
    if (const DWORD error = DirectoryError(d)) throw InOutError("Invalid directory " + dir, error);
    if (SameText(d, directory_) && HandleAllocated()) return;
    directory_ = d;
    Fill();
    if (driveBox_) driveBox_->ShowDrive(Drive());
    if (OnDirChange && !HasState(csLoading)) OnDirChange(this);
}

String TDirectoryListBox::EntryPath(int index) const
{
    return index >= 0 && index < static_cast<int>(entryPaths_.size()) ? entryPaths_[static_cast<size_t>(index)]
                                                                      : String();
}

void TDirectoryListBox::Fill()
{
    entryPaths_.clear();
    items_.OnChange = nullptr;
    items_.Clear();
    // The path from the root, one entry per level.
    String path = directory_.substr(0, 3);
    items_.Add(path);
    entryPaths_.push_back(path);
    size_t pos = 3;
    while (pos < directory_.size()) {
        size_t next = directory_.find('\\', pos);
        if (next == String::npos) next = directory_.size();
        const String part = directory_.substr(pos, next - pos);
        if (!part.empty()) {
            path = (path.size() > 3 ? path + "\\" : path) + part;
            items_.Add(String(entryPaths_.size() * 2, ' ') + part);
            entryPaths_.push_back(path);
        }
        pos = next + 1;
    }
    const int current = static_cast<int>(entryPaths_.size()) - 1;
    // Then the subdirectories, one level deeper.
    const String base = directory_.back() == '\\' ? directory_ : directory_ + "\\";
    std::vector<String> subs;
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    for (const TFolderEntry& e : TFolderWalk(base))
        if (e.IsDirectory()) subs.push_back(e.name);
    SetErrorMode(oldMode);
    std::sort(subs.begin(), subs.end(), [](const String& a, const String& b) { return CompareText(a, b) < 0; });
    const String indent(entryPaths_.size() * 2, ' ');
    for (const String& s : subs) {
        items_.Add(indent + s);
        entryPaths_.push_back(base + s);
    }
    items_.OnChange = [this] { ItemsChanged(); };
    itemIndex_ = current;
    ItemsChanged();
    if (HandleAllocated()) SendMessageA(Handle(), LB_SETTOPINDEX, 0, 0);
}

void TDirectoryListBox::OpenEntry(int index)
{
    const String path = EntryPath(index);
    if (path.empty()) return;
    try {
        SetDirectory(path);
    } catch (const EInOutError&) {
        // Gone since the list was filled: show what is there now.
        Fill();
    }
}

void TDirectoryListBox::CommandNotify(WORD code)
{
    if (code == LBN_DBLCLK) {
        OpenEntry(ItemIndex());
        return;
    }
    TListBox::CommandNotify(code);
}

LRESULT TDirectoryListBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
        OpenEntry(ItemIndex());
        return 0;
    }
    if (msg == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_WANTCHARS;
    return TListBox::WndProc(msg, wParam, lParam);
}

void TDirectoryListBox::Notification(TComponent* c, TOperation op)
{
    TListBox::Notification(c, op);
    if (op == TOperation::opRemove && c == driveBox_) driveBox_ = nullptr;
}

// ---- TDriveComboBox

NIMBO_DEFINE_CLASS(
    TDriveComboBox, TComboBox, true,
    p.Ref("DirList", &TDriveComboBox::SetDirList).Custom("TextCase", [](TDriveComboBox* d, TFormReader& r) {
        d->SetUpperCase(SameText(r.Values().ReadIdent(), "tcUpperCase"));
    }))

TDriveComboBox::TDriveComboBox() { SetStyle(csDropDownList); }

TDriveComboBox::~TDriveComboBox()
{
    if (dirList_ && dirList_->driveBox_ == this) dirList_->driveBox_ = nullptr;
}

void TDriveComboBox::SetDirList(TDirectoryListBox* d)
{
    if (dirList_ && dirList_->driveBox_ == this) dirList_->driveBox_ = nullptr;
    dirList_ = d;
    if (d) {
        FreeNotification(d);
        d->FreeNotification(this);
        d->driveBox_ = this;
        ShowDrive(d->Drive());
    }
}

void TDriveComboBox::Notification(TComponent* c, TOperation op)
{
    TComboBox::Notification(c, op);
    if (op == TOperation::opRemove && c == dirList_) dirList_ = nullptr;
}

void TDriveComboBox::SetUpperCase(bool v)
{
    upper_ = v;
    if (HandleAllocated()) Fill();
}

void TDriveComboBox::InitWnd()
{
    TComboBox::InitWnd();
    Fill();
}

void TDriveComboBox::Fill()
{
    letters_.clear();
    Items()->Clear();
    const DWORD mask = GetLogicalDrives();
    int sel = -1;
    // No "insert a disk" box for an empty drive while its label is read.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const char letter = static_cast<char>('A' + i);
        const String root = String(1, letter) + ":\\";
        char label[MAX_PATH] = "";
        const UINT type = GetDriveTypeA(root.c_str());
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK)
            GetVolumeInformationA(root.c_str(), label, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0);
        String text = String(1, upper_ ? letter : static_cast<char>(tolower(letter))) + ":";
        if (label[0]) text += String(" [") + label + "]";
        Items()->Add(text);
        letters_.push_back(letter);
        if (letter == drive_) sel = static_cast<int>(letters_.size()) - 1;
    }
    SetErrorMode(oldMode);
    SetItemIndex(sel);
}

void TDriveComboBox::ShowDrive(char d)
{
    drive_ = UpperLetter(d);
    const auto it = std::find(letters_.begin(), letters_.end(), drive_);
    SetItemIndex(it == letters_.end() ? -1 : static_cast<int>(it - letters_.begin()));
}

void TDriveComboBox::SetDrive(char d)
{
    const char letter = UpperLetter(d);
    if (dirList_) {
        // The drive's current directory as the platform remembers it, else
        // its root.
        char buf[MAX_PATH];
        const String drive = String(1, letter) + ":";
        const DWORD n = GetFullPathNameA(drive.c_str(), MAX_PATH, buf, nullptr);
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
        try {
            try {
                dirList_->SetDirectory(n && n < MAX_PATH ? String(buf, n) : drive + "\\");
            } catch (const EInOutError&) {
                dirList_->SetDirectory(drive + "\\");
            }
        } catch (...) {
            SetErrorMode(oldMode);
            ShowDrive(drive_);
            throw;
        }
        SetErrorMode(oldMode);
    }
    ShowDrive(letter);
}

void TDriveComboBox::CommandNotify(WORD code)
{
    TComboBox::CommandNotify(code);
    if (code != CBN_SELCHANGE) return;
    const int i = ItemIndex();
    if (i < 0 || i >= static_cast<int>(letters_.size())) return;
    try {
        SetDrive(letters_[static_cast<size_t>(i)]);
    } catch (const EInOutError&) {
        // A drive without a readable disk: the box goes back to the list's drive.
        MessageBeep(MB_ICONEXCLAMATION);
    }
}
