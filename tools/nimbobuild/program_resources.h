// The resources the builder writes into its copy of setup.exe, through the
// platform's resource update calls: the form, and for a single-file setup
// the language texts, the compression library and the payload's header.
// Nothing is written unless Commit is called.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/nstring.h"

class TProgramResources {
public:
    explicit TProgramResources(const String& exe);
    ~TProgramResources();
    TProgramResources(const TProgramResources&) = delete;
    TProgramResources& operator=(const TProgramResources&) = delete;

    // Replaces the form resource; with pack, by the packed form when that
    // is smaller.
    void SetForm(const std::vector<uint8_t>& form, bool pack);
    // Replaces the version resource (in each language it has) by this one.
    void SetVersion(const std::vector<uint8_t>& version);
    // Adds an RCDATA resource of that name.
    void AddData(const char* name, const std::vector<uint8_t>& data);
    // Adds every string table of the library (its language blocks).
    void AddStringTables(const String& library);
    void Commit();

private:
    void Update(LPCSTR type, LPCSTR name, WORD language, const void* data, DWORD size);

    String exe_;
    WORD formLanguage_;
    std::vector<WORD> versionLanguages_;
    HANDLE update_ = nullptr;
};
