// The install log through the real profile services: what is written, the
// merge of two setups into one place, and reading back for an uninstall.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/start_menu.h"
#include "page_fixture.h"
#include "test_files.h"
#include "script/nimbo_data.h"

namespace {

class InstallLog : public TPageFixture {
protected:
    void SetUp() override
    {
        dir = FreshTempFolder("nimbo-log-" + IntToStr(GetCurrentProcessId()));
        NewController();
    }
    void TearDown() override
    {
        TPageFixture::TearDown();
        RemoveTree(dir);
    }
    void NewController()
    {
        NewForm();
        info->Loaded();
        TNimboDir* install = info->Script()->FindDir("Install");
        install->SetDir(dir);
        info->Script()->SetLogFileDir(install);
    }
    String LogPath() const { return dir + "INSTALL.LOG"; }
    String LogText() const
    {
        // The prefix's C: drive, seen from the test's own file functions.
        std::ifstream in(LogPath().c_str(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        String t = s.str();
        String r;
        for (char c : t)
            if (c != '\r') r += c;
        return r;
    }
    std::vector<String> Sections() const
    {
        std::vector<String> r;
        std::istringstream in(LogText());
        String line;
        while (std::getline(in, line))
            if (!line.empty() && line[0] == '[') r.push_back(line);
        return r;
    }
    String dir;
};

TEST_F(InstallLog, NothingCreatedGivesOnlyDirectoriesAndLanguage)
{
    info->WriteLog();
    EXPECT_EQ(Sections(), (std::vector<String>{"[Directories]", "[Language]", "[Nimbo Setup]"}));
    const String text = LogText();
    EXPECT_NE(text.find("Install=" + dir + "\n"), String::npos) << text;
    EXPECT_NE(text.find("Language=English\n"), String::npos) << text;
    // The last script directory comes first.
    EXPECT_LT(text.find("Windows System="), text.find("Install="));
}

TEST_F(InstallLog, EntriesEqualButForCaseAreKeptOnce)
{
    info->AddCreatedDir("C:\\ABC\\");
    info->AddCreatedDir("c:\\abc\\");
    info->AddInstalledFile("C:\\ABC\\X.TXT");
    info->AddInstalledFile("c:\\abc\\x.txt");
    info->AddGroupEntry("", "Corvane Linker");
    info->AddGroupEntry("", "corvane linker");
    EXPECT_EQ(info->CreatedDirs().Lines(), (std::vector<String>{"C:\\ABC\\"}));
    EXPECT_EQ(info->InstalledFiles().Count(), 1);
    EXPECT_EQ(info->GroupNames().Count(), 1);
}

TEST_F(InstallLog, ASecondSetupIntoTheSamePlaceMergesBothRuns)
{
    info->AddCreatedDir(dir + "A\\");
    info->AddInstalledFile(dir + "one.txt");
    info->AddInstalledFile(dir + "two.txt");
    info->AddGroupEntry("", "Group");
    info->AddGroupEntry("one.txt", "Group");
    info->SetBDEType(2);
    info->WriteLog();

    NewController();
    info->AddCreatedDir(dir + "B\\");
    info->AddInstalledFile(dir + "TWO.TXT");
    info->AddInstalledFile(dir + "three.txt");
    info->AddGroupEntry("three.txt", "Group");
    info->AddGroupEntry("", "Group");
    info->WriteLog();
    EXPECT_EQ(info->LoggedBDEType(), 2) << "the earlier log's type replaces this run's";

    NewController();
    ASSERT_TRUE(info->ReadLog(LogPath(), false));
    EXPECT_EQ(info->CreatedDirs().Lines(), (std::vector<String>{dir + "A\\", dir + "B\\"}));
    EXPECT_EQ(info->InstalledFiles().Count(), 3);
    EXPECT_EQ(info->GroupItems().Lines(), (std::vector<String>{"three.txt", "", "one.txt"}));
    EXPECT_EQ(info->GroupNames().Lines(), (std::vector<String>{"Group", "Group", "Group"}));
    EXPECT_EQ(info->LoggedBDEType(), 2);
    const String text = LogText();
    EXPECT_NE(text.find("1=Group:~:\n"), String::npos) << "the group itself is its name and the separator";
}

TEST_F(InstallLog, ReadingForAnUninstallTakesTheResolvedDirectories)
{
    WritePrivateProfileStringA("Directories", "Install", "D:\\ELSEWHERE\\", LogPath().c_str());
    WritePrivateProfileStringA("Directories", "Nowhere", "E:\\X\\", LogPath().c_str());
    WritePrivateProfileStringA("Program Groups", "0", "Lonely", LogPath().c_str());
    WritePrivateProfileStringA("Program Groups", "1", ":~:orphan", LogPath().c_str());
    WritePrivateProfileStringA("BDE Files", "BDE Type", "0x3", LogPath().c_str());
    info->AddInstalledFile("C:\\STALE.TXT");
    ASSERT_TRUE(info->ReadLog(LogPath(), false));
    EXPECT_EQ(info->Script()->FindDir("Install")->Dir(), "D:\\ELSEWHERE\\");
    EXPECT_EQ(info->Script()->FindDir("Nowhere"), nullptr);
    EXPECT_EQ(info->InstalledFiles().Count(), 0) << "a full read replaces the lists";
    EXPECT_EQ(info->GroupNames().Lines(), (std::vector<String>{"Lonely"}));
    EXPECT_EQ(info->GroupItems().Lines(), (std::vector<String>{"Lonely"}));
    EXPECT_EQ(info->LoggedBDEType(), 3);
    WritePrivateProfileStringA("BDE Files", "BDE Type", "many", LogPath().c_str());
    info->ReadLog(LogPath(), false);
    EXPECT_EQ(info->LoggedBDEType(), 0);
    EXPECT_FALSE(info->ReadLog(dir + "MISSING.LOG", false));
}

TEST_F(InstallLog, AThousandsOfFilesLogReadsBackComplete)
{
    for (int i = 0; i < 5000; ++i) info->AddInstalledFile(dir + "sub\\file" + IntToStr(i) + ".dat");
    info->WriteLog();
    NewController();
    ASSERT_TRUE(info->ReadLog(LogPath(), false));
    EXPECT_EQ(info->InstalledFiles().Count(), 5000);
    EXPECT_GE(info->InstalledFiles().IndexOf(dir + "sub\\file4999.dat"), 0);
}

TEST_F(InstallLog, RewritingKeepsForeignSectionsAndTheLanguagePlaceAndNeverHalfWrites)
{
    info->AddInstalledFile(dir + "old.txt");
    info->WriteLog();
    // What an editor adds beside our entries: a comment, a key of its own
    // in our section, a section of its own. The log stays ours.
    String text = ReadAll(LogPath());
    text = "; kept\r\n" + text.replace(text.find("[Language]\r\n"), 12, "[Language]\r\nNote=mine\r\n") +
           "[Other]\r\nx=1\r\n";
    WriteAll(LogPath(), text);
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), info->AppName()), TLogSeal::ours);
    NewController();
    info->AddInstalledFile(dir + "new.txt");
    info->WriteLog();
    const String dirs = "[Directories]\nWindows System=" + info->Script()->FindDir("Windows System")->Dir() +
                        "\nWindows=" + info->Script()->FindDir("Windows")->Dir() + "\nInstall=" + dir + "\n";
    const String seal = LogText().substr(LogText().find("[Nimbo Setup]"));
    EXPECT_EQ(LogText(), "; kept\n[Language]\nNote=mine\nLanguage=English\n[Other]\nx=1\n" + dirs + "[Files]\n" + dir +
                             "new.txt=\n" + dir + "old.txt=\n" + seal);

    // A log that cannot be replaced stays as it was, and no piece of the
    // new one is left beside it.
    const String before = LogText();
    SetFileAttributesA(LogPath().c_str(), FILE_ATTRIBUTE_READONLY);
    info->AddInstalledFile(dir + "more.txt");
    EXPECT_THROW(info->WriteLog(), EInOutError);
    SetFileAttributesA(LogPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(LogText(), before);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*.tmp").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}

TEST_F(InstallLog, ASealTellsOursFromAnotherProductsAndFromAnEditedLog)
{
    info->Script()->SetAppName("Corvane Linker");
    info->AddInstalledFile(dir + "a.txt");
    info->WriteLog();
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), "corvane linker"), TLogSeal::ours);
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), "Other Product"), TLogSeal::foreign);
    EXPECT_EQ(TNimboInfo::CheckLogSeal(dir + "NONE.LOG", "Corvane Linker"), TLogSeal::missing);
    // An entry added, or one changed, breaks the seal.
    WritePrivateProfileStringA("Files", "C:\\windows\\win.ini", "", LogPath().c_str());
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), "Corvane Linker"), TLogSeal::changed);
    WritePrivateProfileStringA("Files", "C:\\windows\\win.ini", nullptr, LogPath().c_str());
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), "Corvane Linker"), TLogSeal::ours);
    WritePrivateProfileStringA("Directories", "Install", "C:\\", LogPath().c_str());
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), "Corvane Linker"), TLogSeal::changed);
    // A file that is no log at all is another product's.
    WriteAll(dir + "NOTES.LOG", "just text\r\n");
    EXPECT_EQ(TNimboInfo::CheckLogSeal(dir + "NOTES.LOG", "Corvane Linker"), TLogSeal::foreign);
    DeleteFileA((dir + "NOTES.LOG").c_str());
}

// Where the groups were made is sealed apart from the rest: the seal that
// uninstalls of earlier versions check stays what they compute, and a log
// without it is one of theirs, whose folder list is not taken.
TEST_F(InstallLog, GroupFoldersHaveASealOfTheirOwn)
{
    const String folder = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Group";
    info->AddGroupEntry("", "Group");
    info->AddGroupFolder(folder);
    info->AddGroupFolder(LowerCase(folder));
    info->WriteLog();
    // A later run into the same place that made no group keeps the record.
    NewController();
    info->AddInstalledFile(dir + "a.txt");
    info->WriteLog();
    NewController();
    ASSERT_TRUE(info->ReadLog(LogPath(), false));
    EXPECT_EQ(info->GroupFolders().Lines(), (std::vector<String>{folder}));
    EXPECT_TRUE(info->GroupFoldersLogged());
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), info->AppName()), TLogSeal::ours);

    WritePrivateProfileStringA("Group Folders", "0", "C:\\Users\\Me\\Group", LogPath().c_str());
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), info->AppName()), TLogSeal::changed);
    WritePrivateProfileStringA("Group Folders", "0", folder.c_str(), LogPath().c_str());
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), info->AppName()), TLogSeal::ours);
    // Without their seal, as an earlier version writes the log again: the
    // rest is still ours, the folders are not taken, and the group it
    // created is where an earlier version made it, in the user's Start
    // menu; so it stays when a later run merges its log into this one.
    WritePrivateProfileStringA("Nimbo Setup", "Group Folders", nullptr, LogPath().c_str());
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), info->AppName()), TLogSeal::ours);
    const std::vector<String> earlier{ProgramsFolder(false) + "Group"};
    ASSERT_TRUE(info->ReadLog(LogPath(), false));
    EXPECT_EQ(info->GroupFolders().Lines(), earlier);
    EXPECT_EQ(info->GroupNames().Lines(), (std::vector<String>{"Group"}));
    NewController();
    info->AddInstalledFile(dir + "b.txt");
    info->WriteLog();
    NewController();
    ASSERT_TRUE(info->ReadLog(LogPath(), false));
    EXPECT_EQ(info->GroupFolders().Lines(), earlier);
    EXPECT_EQ(TNimboInfo::CheckLogSeal(LogPath(), info->AppName()), TLogSeal::ours);
}

TEST_F(InstallLog, AnotherProgramsLogIsNeitherMergedNorTouched)
{
    const String theirs = "[Created Dirs]\r\nC:\\OtherApp\\=\r\n[Files]\r\nC:\\OtherApp\\important.dll=\r\n";
    WriteAll(LogPath(), theirs);
    const String ours = dir + "INSTALL-1.LOG";
    info->AddInstalledFile(dir + "a.txt");
    info->WriteLog();
    EXPECT_EQ(ReadAll(LogPath()), theirs);
    EXPECT_EQ(info->LogFile(), ours);
    EXPECT_EQ(TNimboInfo::CheckLogSeal(ours, info->AppName()), TLogSeal::ours);
    EXPECT_EQ(info->LogFileFor(dir, false), ours) << "the uninstall finds ours beside theirs";

    // A second run joins ours, still without theirs.
    NewController();
    info->AddInstalledFile(dir + "b.txt");
    info->WriteLog();
    NewController();
    ASSERT_TRUE(info->ReadLog(ours, false));
    EXPECT_EQ(info->InstalledFiles().Lines(), (std::vector<String>{dir + "a.txt", dir + "b.txt"}));
    DeleteFileA(ours.c_str());
    // Without one of ours, an uninstall takes the first install log there.
    EXPECT_EQ(info->LogFileFor(dir, false), LogPath());
}

// The message of the I/O error that writing the log raises, or "".
String WriteLogError(TNimboInfo* info)
{
    try {
        info->WriteLog();
    } catch (const EInOutError& e) {
        return e.Message();
    }
    return "";
}

TEST_F(InstallLog, ALogThatCannotBeWrittenSaysWhyInThePlatformsWords)
{
    info->AddInstalledFile(dir + "a.txt");
    info->WriteLog();
    info->AddInstalledFile(dir + "b.txt");
    SetFileAttributesA(LogPath().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(WriteLogError(info), "Unable to write " + LogPath() + ". (5: Access denied.)");
    SetFileAttributesA(LogPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(WriteLogError(info), "");
}

TEST_F(InstallLog, AMissingLogDirectoryLosesNothingSilently)
{
    info->Script()->FindDir("Install")->SetDir(dir + "gone\\");
    EXPECT_NO_THROW(info->WriteLog()) << "a run that installed nothing has nothing to log";
    info->AddInstalledFile(dir + "gone\\x.txt");
    try {
        info->WriteLog();
        FAIL() << "an installed file must not go unlogged";
    } catch (const ENimboError& e) {
        EXPECT_EQ(e.Message(), "NO LOG DIR");
    }
}

}  // namespace
