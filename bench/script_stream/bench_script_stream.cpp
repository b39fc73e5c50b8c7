// Scaling of the script stream and the file selection: scripts of 10,000
// and 20,000 files in 200 directories, with disks and file groups, are
// written, read back and then every file is selected through a file group.
// Prints each time and the ratio of the larger run to the smaller one;
// near-linear code stays well under 2.5. The two sizes run in interleaved
// rounds (bench/support/rounds.h).
#include <cstdio>

#include "rounds.h"
#include "script/nimbo_data.h"

namespace {

constexpr int kDirs = 200;
constexpr int kFilesPerDisk = 1000;
constexpr int kRounds = 5;

struct Times {
    double write = 0, read = 0, select = 0;
    double Total() const { return write + read + select; }
};

void Build(TNimboData& s, int files)
{
    TNimboDir* install = s.FindDir("Install");
    std::vector<TNimboDir*> dirs;
    for (int d = 0; d < kDirs; ++d) dirs.push_back(s.AddDir(Format("Dir%d", d), Format("D%d", d), install));
    TNimboDisk* disk = s.GetDisk(1);
    disk->SetSize(1 << 30);
    for (int i = 0; i < files; ++i) {
        if (i > 0 && i % kFilesPerDisk == 0) disk = s.AddDisk(Format("Disk %d", s.Disks().Count() + 1));
        TNimboFile* f = s.AddFile(Format("C:\\SRC\\SUB%d\\FILE%d.DAT", i % kDirs, i));
        f->SetSize(1000 + i % 5000);
        f->SetCompressedSize(f->Size());
        f->SetDateTime(EncodeDate(2001, 1 + i % 12, 1 + i % 28));
        disk->AddFile(f);
        dirs[static_cast<size_t>(i % kDirs)]->AddFile(f);
    }
    // File groups: every tenth directory's files, and a choice item adding all.
    for (int g = 0; g < 20; ++g) {
        TNimboFileGroup* group = s.AddFileGroup(Format("Group%d", g));
        for (TNimboFile* f : dirs[static_cast<size_t>(g * 10)]->Files()) group->AddFile(f, nullptr, true);
    }
    TNimboChoiceItem* all = s.AddChoiceItem("Everything");
    for (TNimboDir* d : dirs)
        for (TNimboFile* f : d->Files()) all->Add()->AddFile(f, d, true);
}

Times Run(int files)
{
    TNimboData source;
    Build(source, files);
    Times t;
    auto start = bench::Clock::now();
    TWriter writer;
    source.WriteData(writer);
    t.write = bench::Seconds(start);

    start = bench::Clock::now();
    TNimboData script;
    TReader reader(writer.Data());
    script.ReadData(reader);
    t.read = bench::Seconds(start);

    // As the controller does at start and a choice page on Next: select
    // every file of every directory, then apply the choice item.
    start = bench::Clock::now();
    TNimboFileGroup selected;
    for (TNimboDir* d : script.Dirs())
        for (TNimboFile* f : d->Files()) selected.AddFile(f, d, true);
    const TNimboFileGroupList* add = script.FindChoiceItem("Everything")->Add();
    for (int i = 0; i < add->Dirs().Count(); ++i)
        for (TNimboFile* f : add->FileLists(i)->Files()) {
            selected.RemoveFile(f, add->Dirs()[i]);
            selected.AddFile(f, add->Dirs()[i], true);
        }
    TStringList lines;
    int listed = 0;
    for (TNimboDir* d : script.Dirs()) {
        selected.ListFiles(d, lines);
        listed += lines.Count();
    }
    t.select = bench::Seconds(start);
    if (listed != files || script.Files().Count() != files) {
        std::fprintf(stderr, "bench_script_stream: wrong result (%d listed)\n", listed);
        std::exit(1);
    }
    return t;
}

std::vector<double> Part(const std::vector<Times>& runs, double (*part)(const Times&))
{
    std::vector<double> v;
    for (const Times& t : runs) v.push_back(part(t));
    return v;
}

}  // namespace

int main()
{
    Run(2000);  // warm-up
    const auto runs = bench::Interleave<Times>(kRounds, {[] { return Run(10000); }, [] { return Run(20000); }});
    std::printf("medians; ratio 20000/10000 per round\n");
    const std::pair<const char*, double (*)(const Times&)> parts[] = {
        {"write", [](const Times& t) { return t.write; }},
        {"read", [](const Times& t) { return t.read; }},
        {"select", [](const Times& t) { return t.select; }},
        {"total", [](const Times& t) { return t.Total(); }}};
    for (const auto& [label, part] : parts) {
        const std::vector<double> small = Part(runs[0], part), large = Part(runs[1], part);
        std::printf("%-7s %.3f s at 10000, %.3f s at 20000, ratio %s\n", label, bench::Median(small),
                    bench::Median(large), bench::RatioText(bench::Ratios(large, small)).c_str());
    }
    const auto total = parts[3].second;
    return bench::Median(bench::Ratios(Part(runs[1], total), Part(runs[0], total))) <= 2.5 ? 0 : 1;
}
