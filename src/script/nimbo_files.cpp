#include "script/nimbo_files.h"

#include <utility>

#include "framework/properties.h"
#include "script/nimbo_data.h"

NIMBO_DEFINE_CLASS(TNimboFile, TPersistent, false,
                   p.Bool("Compressed", &TNimboFile::SetCompressed)
                       .Int("CompressedSize", &TNimboFile::SetCompressedSize)
                       .Str("Name", &TNimboFile::SetName)
                       .Int("Size", &TNimboFile::SetSize)
                       .Str("Source", &TNimboFile::SetSource))
NIMBO_DEFINE_CLASS(TNimboFileList, TPersistent, false, )
NIMBO_DEFINE_CLASS(TNimboDisk, TNimboFileList, false,
                   p.Str("Description", &TNimboDisk::SetDescription)
                       .Int("Size", &TNimboDisk::SetSize)
                       .Int("Used", &TNimboDisk::SetUsed))
NIMBO_DEFINE_CLASS(TNimboDir, TNimboFileList, false, p.Str("Dir", &TNimboDir::SetDir).Str("Name", &TNimboDir::SetName))

String NimboWithBackslash(const String& path)
{
    if (path.empty() || path.back() == '\\') return path;
    return path + '\\';
}

bool TNimboFileList::AddFile(TNimboFile* file) { return files_.Add(file); }

bool TNimboFileList::RemoveFile(TNimboFile* file) { return files_.Remove(file); }

void TNimboFileList::ListFiles(TStringList& lines) const
{
    lines.Clear();
    for (TNimboFile* f : files_) lines.AddObject(f->Name(), f);
}

void TNimboDisk::AddUsed(int32_t bytes)
{
    // Sizes come from the stream unchecked; wrap like the 32-bit field
    // rather than overflow.
    used_ = static_cast<int32_t>(static_cast<int64_t>(used_) + bytes);
}

bool TNimboDisk::AddFile(TNimboFile* file)
{
    if (!file) return false;
    if (size_ != 0 && static_cast<int64_t>(used_) + file->CompressedSize() > size_) return false;
    if (!TNimboFileList::AddFile(file)) return false;
    AddUsed(file->CompressedSize());
    return true;
}

bool TNimboDisk::RemoveFile(TNimboFile* file)
{
    if (!TNimboFileList::RemoveFile(file)) return false;
    AddUsed(-file->CompressedSize());
    return true;
}

void TNimboDisk::Clear()
{
    TNimboFileList::Clear();
    used_ = 0;
}

void TNimboDir::SetParent(TNimboDir* v)
{
    for (const TNimboDir* d = v; d; d = d->parent_) {
        if (d == this) {
            parent_ = nullptr;
            return;
        }
    }
    parent_ = v;
}

void TNimboDir::SetName(const String& v)
{
    TNimboData* script = Script();
    if (!script) {
        name_ = v;
        return;
    }
    // Names are unique in the script: the last of a name is this one
    // only when it has the name already.
    if (script->FindDir(v)) return;
    const String from = std::exchange(name_, v);
    script->DirRenamed(this, from);
}

String TNimboDir::GetPath() const
{
    // Iterative, so a long chain of parents costs no deep recursion.
    std::vector<const TNimboDir*> chain;
    for (const TNimboDir* d = this; d; d = d->parent_) chain.push_back(d);
    String path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) path += (*it)->dir_;
    return path;
}
