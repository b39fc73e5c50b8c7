// Copying scripts and their entries. References are mapped into the
// destination's script by position, never by name: names need not be unique
// in a damaged or hand-made script, positions are. Every single object's
// copy is guarded, so one broken reference costs that object, not the
// whole copy.
#include <utility>

#include "script/data_error.h"
#include "script/nimbo_data.h"

namespace {

template <class F> void Guarded(const char* label, F&& step)
{
    try {
        step();
    } catch (const Exception& e) {
        ShowNimboDataError(label, e.Message());
    } catch (const std::exception& e) {
        ShowNimboDataError(label, e.what());
    }
}

TNimboData* RequireScript(TNimboData* script)
{
    if (!script) throw ENimboError("The entry belongs to no script");
    return script;
}

// The entry of `to` at the position `entry` has in `from`; a missing
// position raises the list's index error.
template <class T> T* SamePosition(const TNimboList<T>& from, const TNimboList<T>& to, const T* entry)
{
    return to.Items(from.IndexOf(entry));
}

}  // namespace

void TNimboFile::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboFile*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    Guarded("TNimboFile", [&] {
        name_ = s->name_;
        source_ = s->source_;
        dateTime_ = s->dateTime_;
        size_ = s->size_;
        compressed_ = s->compressed_;
        compressedSize_ = s->compressedSize_;
    });
}

void TNimboFileList::CopyFileListFrom(const TNimboFileList& source)
{
    Guarded("TNimboFileList", [&] {
        files_.Clear();
        for (TNimboFile* f : source.files_) {
            const int i = RequireScript(source.Script())->Files().IndexOf(f);
            if (i < 0) continue;  // not a file of the source's script
            files_.Add(RequireScript(Script())->Files().Items(i));
        }
    });
}

void TNimboFileList::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboFileList*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    CopyFileListFrom(*s);
}

void TNimboDisk::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboDisk*>(source);
    if (!s) {
        TNimboFileList::Assign(source);
    } else {
        Guarded("TNimboDisk", [&] {
            description_ = s->description_;
            CopyFileListFrom(*s);
            number_ = s->number_;
            size_ = s->size_;
        });
    }
    // Recomputed rather than taken over: a file the copy could not map must
    // not count towards the disk.
    used_ = 0;
    for (const TNimboFile* f : files_) AddUsed(f->CompressedSize());
}

void TNimboDir::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboDir*>(source);
    if (!s) {
        TNimboFileList::Assign(source);
        return;
    }
    Guarded("TNimboDir", [&] {
        SetParent(s->parent_
                      ? SamePosition(RequireScript(s->Script())->Dirs(), RequireScript(Script())->Dirs(), s->parent_)
                      : nullptr);
        dir_ = s->dir_;
        CopyFileListFrom(*s);
        const String from = std::exchange(name_, s->name_);
        if (TNimboData* script = Script()) script->DirRenamed(this, from);
    });
}

void TNimboFileGroup::CopyGroupFrom(const TNimboFileGroup& source)
{
    Guarded("TNimboFileGroup", [&] {
        name_ = source.name_;
        Clear();
        for (int j = 0; j < source.dirs_.Count(); ++j) {
            const TNimboData* from = RequireScript(source.script_);
            TNimboDir* dir = SamePosition(from->Dirs(), RequireScript(script_)->Dirs(), source.dirs_[j]);
            if (TNimboFileList* list = AppendDir(dir)) list->Assign(source.fileLists_[static_cast<size_t>(j)].get());
        }
    });
}

void TNimboFileGroup::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboFileGroup*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    CopyGroupFrom(*s);
}

void TNimboFileGroupList::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboFileGroupList*>(source);
    if (!s) {
        TNimboFileGroup::Assign(source);
        return;
    }
    Guarded("TNimboFileGroupList", [&] {
        groups_.Clear();
        for (const TNimboFileGroup* g : s->groups_) {
            const TNimboData* from = RequireScript(s->Script());
            groups_.Add(SamePosition(from->FileGroups(), RequireScript(Script())->FileGroups(), g));
        }
        CopyGroupFrom(*s);
    });
}

void TNimboChoiceItem::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboChoiceItem*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    Guarded("TNimboChoiceItem", [&] {
        name_ = s->name_;
        title_ = s->title_;
        description_->Assign(*s->description_);
        add_->Assign(s->add_.get());
        remove_->Assign(s->remove_.get());
    });
}

void TNimboChoiceData::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboChoiceData*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    Guarded("TNimboChoiceData", [&] {
        items_.Clear();
        name_ = s->name_;
        common_ = s->common_ ? SamePosition(RequireScript(s->script_)->ChoiceItems(),
                                            RequireScript(script_)->ChoiceItems(), s->common_)
                             : nullptr;
        for (const TNimboChoiceItem* item : s->items_) {
            const TNimboData* from = RequireScript(s->script_);
            items_.Add(SamePosition(from->ChoiceItems(), RequireScript(script_)->ChoiceItems(), item));
        }
    });
}

void TNimboWinItem::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboWinItem*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    Guarded("TNimboWinItem", [&] {
        commandLine_ = s->commandLine_;
        dir_ = s->dir_ ? SamePosition(RequireScript(s->script_)->Dirs(), RequireScript(script_)->Dirs(), s->dir_)
                       : nullptr;
        itemFile_ = s->itemFile_ ? SamePosition(RequireScript(s->script_)->Files(), RequireScript(script_)->Files(),
                                                s->itemFile_)
                                 : nullptr;
        name_ = s->name_;
    });
}

void TNimboWinGroups::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboWinGroups*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    // The label predates the class's plural name; texts stay as users know them.
    Guarded("TNimboWinGroup", [&] {
        items_.Clear();
        name_ = s->name_;
        title_ = s->title_;
        for (const TNimboWinItem* item : s->items_) {
            const TNimboData* from = RequireScript(s->script_);
            items_.Add(SamePosition(from->WinItems(), RequireScript(script_)->WinItems(), item));
        }
    });
}

void TNimboData::Assign(const TPersistent* source)
{
    if (source == this) return;
    const auto* s = dynamic_cast<const TNimboData*>(source);
    if (!s) {
        TPersistent::Assign(source);
        return;
    }
    appName_ = s->appName_;
    ClearEntries();
    // Referenced lists come before the lists that refer to them.
    for (const TNimboFile* f : s->files_) NewFile()->Assign(f);
    for (const TNimboDisk* d : s->disks_) AddDisk("")->Assign(d);
    // Every directory exists before any is filled: a parent may stand after
    // its child in a hand-made script.
    for (int i = 0; i < s->dirs_.Count(); ++i) NewDir();
    for (int i = 0; i < s->dirs_.Count(); ++i) dirs_[i]->Assign(s->dirs_[i]);
    for (const TNimboFileGroup* g : s->fileGroups_) NewFileGroup()->Assign(g);
    for (const TNimboChoiceItem* c : s->choiceItems_) NewChoiceItem()->Assign(c);
    for (const TNimboChoiceData* c : s->choiceData_) NewChoiceData()->Assign(c);
    for (const TNimboWinItem* w : s->winItems_) NewWinItem()->Assign(w);
    for (const TNimboWinGroups* w : s->winGroups_) NewWinGroup()->Assign(w);
    bdeFiles_->Assign(s->bdeFiles_.get());
    bdeLDFiles_->Assign(s->bdeLDFiles_.get());
    bdeWSFiles_->Assign(s->bdeWSFiles_.get());
    logFileDir_ =
        s->logFileDir_ && s->dirs_.IndexOf(s->logFileDir_) >= 0 ? dirs_[s->dirs_.IndexOf(s->logFileDir_)] : nullptr;
    logFileName_ = s->logFileName_;
    unInstallFiles_->Clear();
    for (int i = 0; i < s->unInstallFiles_->Count(); ++i) unInstallFiles_->Add((*s->unInstallFiles_)[i]);
}
