// A library the program carries as a resource (a single-file setup's
// compression library): the loader takes libraries only from files, so it
// is written into a folder of this run's own in the temporary directory,
// loaded from there, and goes with that folder when it is unloaded. Folder
// and file are written down in the run's journal first, so what a killed
// run left goes at the next start.
#pragma once

#include <windows.h>

#include "base/nstring.h"

class TRunJournal;

class TCarriedLibrary {
public:
    TCarriedLibrary() = default;
    ~TCarriedLibrary() { Unload(); }
    TCarriedLibrary(const TCarriedLibrary&) = delete;
    TCarriedLibrary& operator=(const TCarriedLibrary&) = delete;

    // The library of the RCDATA resource, loaded under fileName; null when
    // the program carries none or it cannot be written or loaded.
    HMODULE Load(const char* resource, const char* fileName, TRunJournal& journal);
    void Unload();
    bool Holds(HMODULE module) const { return module && module == module_; }

private:
    bool Write(const void* data, DWORD size);

    HMODULE module_ = nullptr;
    String folder_;
    String file_;
};
