#include "framework/win32/filectrls.h"

#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TDirectoryListBox, TListBox, true,
                   p.Event("OnChange", &TDirectoryListBox::OnDirChange).Str("Directory", &TDirectoryListBox::SetDirectory))

TDirectoryListBox::TDirectoryListBox()
{
    char buf[MAX_PATH];
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, buf);
    directory_ = n ? String(buf, n) : String("C:\\");
}

void TDirectoryListBox::InitWnd()
{
    TListBox::InitWnd();
    Fill();
}

void TDirectoryListBox::SetDirectory(const String& dir)
{
    String d = dir;
    if (d.size() > 3 && d.back() == '\\') d.pop_back();
    if (d.size() == 2 && d[1] == ':') d += '\\';
    if (SameText(d, directory_) && HandleAllocated()) return;
    directory_ = d;
    Fill();
    if (OnDirChange && !HasState(csLoading)) OnDirChange(this);
}

void TDirectoryListBox::Fill()
{
    entryPaths_.clear();
    items_.OnChange = nullptr;
    items_.Clear();
    // The path from the root, one entry per level, then the subdirectories.
    String path;
    size_t pos = 0;
    int current = -1;
    while (pos < directory_.size()) {
        size_t next = directory_.find('\\', pos);
        if (next == String::npos) next = directory_.size();
        const String part = directory_.substr(pos, next - pos);
        if (!part.empty()) {
            path += part + (path.empty() ? "\\" : "");
            if (path.size() > 3 && path.back() != '\\' && next < directory_.size()) {
            }
            String indent(static_cast<size_t>(entryPaths_.size()) * 2, ' ');
            items_.Add(indent + part + (entryPaths_.empty() ? "\\" : ""));
            entryPaths_.push_back(path);
            current = static_cast<int>(entryPaths_.size()) - 1;
            if (path.back() != '\\') path += '\\';
        }
        pos = next + 1;
    }
    String base = directory_;
    if (base.back() != '\\') base += '\\';
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((base + "*").c_str(), &fd);
    std::vector<String> subs;
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && strcmp(fd.cFileName, ".") != 0 &&
                strcmp(fd.cFileName, "..") != 0)
                subs.emplace_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    std::sort(subs.begin(), subs.end(), [](const String& a, const String& b) { return CompareText(a, b) < 0; });
    const String indent(entryPaths_.size() * 2, ' ');
    for (const String& s : subs) {
        items_.Add(indent + s);
        entryPaths_.push_back(base + s);
    }
    items_.OnChange = [this] { ItemsChanged(); };
    itemIndex_ = current;
    ItemsChanged();
}

void TDirectoryListBox::CommandNotify(WORD code)
{
    if (code == LBN_DBLCLK) {
        const int i = ItemIndex();
        if (i >= 0 && i < static_cast<int>(entryPaths_.size())) SetDirectory(entryPaths_[static_cast<size_t>(i)]);
        return;
    }
    TListBox::CommandNotify(code);
}

NIMBO_DEFINE_CLASS(TDriveComboBox, TComboBox, true,
                   p.Ref("DirList", &TDriveComboBox::SetDirList).Custom("TextCase", [](TDriveComboBox* d, TFormReader& r) {
                       d->SetUpperCase(SameText(r.Values().ReadIdent(), "tcUpperCase"));
                   }))

TDriveComboBox::TDriveComboBox() { SetStyle(csDropDownList); }

void TDriveComboBox::SetDirList(TDirectoryListBox* d)
{
    dirList_ = d;
    if (d) {
        FreeNotification(d);
        if (!d->Directory().empty()) drive_ = static_cast<char>(toupper(static_cast<unsigned char>(d->Directory()[0])));
    }
}

void TDriveComboBox::Notification(TComponent* c, TOperation op)
{
    TComboBox::Notification(c, op);
    if (op == TOperation::opRemove && c == dirList_) dirList_ = nullptr;
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
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const char letter = static_cast<char>('A' + i);
        String root = String(1, letter) + ":\\";
        char label[MAX_PATH] = "";
        const UINT type = GetDriveTypeA(root.c_str());
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK)
            GetVolumeInformationA(root.c_str(), label, MAX_PATH, nullptr, nullptr, nullptr, nullptr, 0);
        String text = String(1, upper_ ? letter : static_cast<char>(letter + 32)) + ":";
        if (label[0]) text += String(" [") + label + "]";
        Items()->Add(text);
        letters_.push_back(letter);
        if (letter == drive_) sel = static_cast<int>(letters_.size()) - 1;
    }
    SetItemIndex(sel);
}

void TDriveComboBox::SetDrive(char d)
{
    drive_ = static_cast<char>(toupper(static_cast<unsigned char>(d)));
    for (size_t i = 0; i < letters_.size(); ++i)
        if (letters_[i] == drive_) SetItemIndex(static_cast<int>(i));
    if (dirList_) {
        char buf[MAX_PATH];
        const String drive = String(1, drive_) + ":";
        // The drive's current directory, as the platform remembers it.
        if (GetFullPathNameA(drive.c_str(), MAX_PATH, buf, nullptr))
            dirList_->SetDirectory(buf);
        else
            dirList_->SetDirectory(drive + "\\");
    }
}

void TDriveComboBox::CommandNotify(WORD code)
{
    TComboBox::CommandNotify(code);
    if (code == CBN_SELCHANGE) {
        const int i = ItemIndex();
        if (i >= 0 && i < static_cast<int>(letters_.size())) SetDrive(letters_[static_cast<size_t>(i)]);
    }
}
