// The set-up the file copy tests share: the file copy page "suCopy" with a
// target folder of the test's own, and script files whose sources lie where
// the page reads them: in test mode in the test's source folder, otherwise
// in the program's own folder.
#pragma once

#include "page_fixture.h"
#include "pages/file_copy.h"
#include "script/nimbo_data.h"
#include "test_files.h"

class TCopyFixture : public TPageFixture {
protected:
    TCopyFixture() : TPageFixture(TStartUp::ByTest) {}
    void SetUp() override;
    void TearDown() override;
    // A file of the script on disk `disk`, installed into `dir` (the
    // install directory unless given), whose source holds `content`; the
    // script's size is the real one unless given.
    TNimboFile* AddFile(const String& name, const String& content, TNimboDir* dir = nullptr, int disk = 1,
                        int32_t size = -1);
    // A file of the script whose source is there already.
    TNimboFile* Declare(const String& name, int32_t size, TNimboDir* dir = nullptr, int disk = 1);
    // A file of the user's in the target folder.
    void Existing(const String& name, const String& content, bool readOnly = false);
    // Start-up as the program does it, then the page.
    uint8_t Run();

    String root, src, dst;
    const String exeDir = ProgramFolder();
    TNimboData* script = nullptr;
    TNimboDir* install = nullptr;
    TNimboFileCopy* page = nullptr;

private:
    std::vector<String> placed_;  // sources beside the program, removed again
};
