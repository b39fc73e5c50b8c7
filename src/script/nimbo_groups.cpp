#include "script/nimbo_groups.h"

#include "framework/properties.h"
#include "script/nimbo_data.h"

NIMBO_DEFINE_CLASS(TNimboFileGroup, TPersistent, false, p.Str("Name", &TNimboFileGroup::SetName))
NIMBO_DEFINE_CLASS(TNimboFileGroupList, TNimboFileGroup, false, )

TNimboFileGroup::~TNimboFileGroup() = default;

TNimboFileList* TNimboFileGroup::FileLists(int index) const
{
    if (index < 0 || index >= FileListCount()) throw EListError(Format("List index out of bounds (%d)", index));
    return fileLists_[static_cast<size_t>(index)].get();
}

TNimboFileList* TNimboFileGroup::FileListOf(const TNimboDir* dir) const
{
    const int i = dirs_.IndexOf(dir);
    return i < 0 ? nullptr : fileLists_[static_cast<size_t>(i)].get();
}

void TNimboFileGroup::SetName(const String& v)
{
    if (script_) {
        for (const TNimboFileGroup* g : script_->FileGroups())
            if (g != this && g->Name() == v) return;
    }
    name_ = v;
}

void TNimboFileGroup::SetScript(TNimboData* v)
{
    script_ = v;
    for (auto& list : fileLists_) list->SetScript(v);
}

TNimboFileList* TNimboFileGroup::AppendDir(TNimboDir* dir)
{
    if (!dirs_.Add(dir)) return nullptr;
    fileLists_.push_back(std::make_unique<TNimboFileList>(script_));
    return fileLists_.back().get();
}

bool TNimboFileGroup::AddFile(TNimboFile* file, TNimboDir* dir, bool createDir)
{
    if (!dir && script_) {
        const auto& dirs = script_->Dirs();
        for (int i = dirs.Count() - 1; i >= 0 && !dir; --i)
            if (dirs[i]->Contains(file)) dir = dirs[i];
    }
    if (createDir && dir && !dirs_.Contains(dir)) AppendDir(dir);
    TNimboFileList* list = FileListOf(dir);
    if (!list || !file) return false;
    return list->AddFile(file);
}

bool TNimboFileGroup::RemoveFile(TNimboFile* file, const TNimboDir* dir)
{
    TNimboFileList* list = FileListOf(dir);
    return list && list->RemoveFile(file);
}

bool TNimboFileGroup::Contains(const TNimboFile* file, const TNimboDir* dir) const
{
    const TNimboFileList* list = FileListOf(dir);
    return list && list->Contains(file);
}

void TNimboFileGroup::ListFiles(const TNimboDir* dir, TStringList& lines) const
{
    lines.Clear();
    if (const TNimboFileList* list = FileListOf(dir)) list->ListFiles(lines);
}

void TNimboFileGroup::Clear()
{
    dirs_.Clear();
    fileLists_.clear();
}
