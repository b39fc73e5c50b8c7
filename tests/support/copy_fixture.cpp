#include "copy_fixture.h"

#include "engine/file_routines.h"
#include "test_files.h"

void TCopyFixture::SetUp()
{
    // Named after the process: a child process of a test has folders of its own.
    root = FreshTempFolder("nimbo-copy-" + IntToStr(static_cast<int>(GetCurrentProcessId())));
    src = root + "src\\";
    dst = root + "dst\\";
    ForceDirs(src);
    TPageFixture::SetUp();
    info->SetTest(true);
    script = info->Script();
    install = script->FindDir("Install");
    install->SetDir(dst);
    page = Add<TNimboFileCopy>("suCopy");
}

void TCopyFixture::TearDown()
{
    TPageFixture::TearDown();
    SetFreeSpaceSource(nullptr);
    for (const String& s : placed_) DeleteFileA((exeDir + s).c_str());
    RemoveTree(dst);
    RemoveTree(root);
}

TNimboFile* TCopyFixture::AddFile(const String& name, const String& content, TNimboDir* dir, int disk, int32_t size)
{
    if (info->Test()) {
        WriteAll(src + name, content);
    } else {
        WriteAll(exeDir + name, content);
        placed_.push_back(name);
    }
    TNimboFile* f = Declare(name, size >= 0 ? size : static_cast<int32_t>(content.size()), dir, disk);
    f->SetSource(src);
    return f;
}

TNimboFile* TCopyFixture::Declare(const String& name, int32_t size, TNimboDir* dir, int disk)
{
    TNimboFile* f = script->AddFile(name);
    f->SetSize(size);
    (dir ? dir : install)->AddFile(f);
    while (script->Disks().Count() < disk) script->AddDisk("Disk " + IntToStr(script->Disks().Count() + 1));
    script->GetDisk(disk)->AddFile(f);
    return f;
}

void TCopyFixture::Existing(const String& name, const String& content, bool readOnly)
{
    ForceDirs(dst);
    WriteAll(dst + name, content);
    if (readOnly) SetFileAttributesA((dst + name).c_str(), FILE_ATTRIBUTE_READONLY);
}

uint8_t TCopyFixture::Run()
{
    info->Loaded();
    return page->Execute();
}
