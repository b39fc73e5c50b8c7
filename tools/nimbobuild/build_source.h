// What a setup is built from: a text form source (the host form with
// everything set by hand), or an author's script, compiled into the host
// form that setup.exe beside the builder carries.
#pragma once

#include <cstdint>
#include <vector>

#include "comp/comp_format.h"
#include "folder_scan.h"

struct TBuildSource {
    std::vector<uint8_t> form;             // binary, with the SetupData to fill
    bool fromScript = false;               // the script placed its files itself, and ships only those
    bool compress = false;                 // the script asks for compression
    TCompMethod method = kCompMethodLzma;  // packed so, when it does
};

// A source ending in .nss, or one that does not start with "object", is a
// script. Raises ENimboError (EScriptError for a script) naming the fault.
TBuildSource LoadBuildSource(const String& path, const std::vector<TScannedFile>& payload, const String& templates);
