// The file copy page's part in reading the solid archive: which files are
// its members, the order it is read in, and writing a member.
#include <algorithm>

#include "base/setup_files.h"
#include "engine/message_ids.h"
#include "engine/nimbo_info.h"
#include "engine/path_routines.h"
#include "engine/setup_payload.h"
#include "engine/wizard/pages_form.h"
#include "framework/win32/progress_bar.h"
#include "pages/file_copy.h"
#include "script/nimbo_data.h"

namespace {

// How the setup folder, its solid archive and a single file's payload name
// a file: behind the subfolder the builder put it in.
String PlaceInSetup(const TNimboFile* file) { return SetupSubFolder(file->Source()) + file->Name(); }

}  // namespace

void TNimboFileCopy::OpenSolidArchive()
{
    solid_.reset();
    solidDamaged_ = false;
    // A setup in test mode takes every file from where it was found.
    if (controller_->Test()) return;
    TSolidState state = TSolidState::none;
    if (const TSetupPayload* payload = controller_->Payload()) {
        if (const TPayloadEntry* entry = payload->SolidArchive())
            state = TSolidArchive::Open(payload->Path(), payload->PartOf(*entry), solid_);
    } else {
        state = TSolidArchive::Open(sourceDir_ + kSolidArchiveName, TFilePart{}, solid_);
    }
    solidDamaged_ = state == TSolidState::damaged;
}

void TNimboFileCopy::FollowArchiveOrder(TStringList& list) const
{
    // The builder packs the archive in this list's order. Where that
    // differs (names compared in another locale), the archive's order wins
    // among each disk's members, so its stream is still read once; the
    // other entries keep their places.
    if (!solid_) return;
    for (int first = 0; first < list.Count();) {
        const int disk = std::atoi(list[first].c_str());
        std::vector<int> places;
        std::vector<std::pair<uint64_t, int>> members;  // offset, entry
        int end = first;
        for (; end < list.Count() && std::atoi(list[end].c_str()) == disk; ++end)
            if (const TPayloadEntry* m = solid_->Find(PlaceInSetup(static_cast<TNimboFile*>(list.Objects(end))))) {
                places.push_back(end);
                members.emplace_back(m->offset, end);
            }
        std::stable_sort(members.begin(), members.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::pair<String, TObject*>> moved;
        for (const auto& m : members) moved.emplace_back(list[m.second], list.Objects(m.second));
        for (size_t k = 0; k < places.size(); ++k) {
            list.Put(places[k], moved[k].first);
            list.PutObject(places[k], moved[k].second);
        }
        first = end;
    }
}

void TNimboFileCopy::FindStorage(TCopyJob& job) const
{
    job.fromPayload = controller_->Payload() && !controller_->Test();
    if (solid_ && !controller_->Test()) job.member = solid_->Find(PlaceInSetup(job.file));
    if (job.member) {
        job.expand = false;
        job.fromPayload = false;
        return;
    }
    if (job.fromPayload) job.part = controller_->Payload()->Find(PlaceInSetup(job.file));
    // The directory, which was checked, says how the file is stored.
    if (job.part) job.expand = job.part->compressed;
    // A file that is nowhere else was in the archive that cannot be read.
    job.archiveDamaged =
        solidDamaged_ && !controller_->Test() && (job.fromPayload ? !job.part : !FileExists(job.source));
}

bool TNimboFileCopy::WriteTarget(TCopyJob& job)
{
    if (job.member || job.archiveDamaged) return CopyMember(job);
    return job.expand ? ExpandFile(job) : CopyPlainFile(job);
}

void TNimboFileCopy::ReadMember(TCopyJob& job)
{
    // A retry reads the stream again from its start.
    if (std::exchange(job.readTried, true) && solid_) solid_->Restart();
    if (job.member && solid_->Read(*job.member, streamEntries_, job.bytes)) {
        job.haveBytes = true;
        return;
    }
    job.compressionError = true;
    throw EInOutError(Text(msgCompressionError));
}

bool TNimboFileCopy::CopyMember(TCopyJob& job)
{
    NimboPagesForm->pbrFCFile->SetMaxValue(job.file->Size());
    // Read whole and checked before the target is touched: a damaged or cut
    // stream leaves it as it was.
    if (!job.haveBytes) ReadMember(job);
    const TCopyProgress progress = [this](int, int bytes) { AdvanceProgressLater(bytes); };
    const TFileBytes bytes{job.bytes.data(), job.bytes.size(), job.member->fileTime};
    return PlaceTarget(job, [&](bool newOnly) {
        if (newOnly) return CopyNewBytesWithProgress(bytes, job.target, progress, job.work);
        CopyBytesWithProgress(bytes, job.target, progress, job.work);
        return true;
    });
}
