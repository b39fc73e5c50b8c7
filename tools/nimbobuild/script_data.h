// The setup script an author's script describes: directories, the files
// its patterns pick from the folder and where each goes, install types and
// options, the program group's items and the log, each name resolved.
#pragma once

#include <vector>

#include "author_script.h"
#include "script_fill.h"

class TNimboData;

// A desktop icon: its title, the script directory and name of the
// installed file it starts, and the arguments.
struct TDesktopFact {
    String title, dir, file, arguments;
};

// What the pages need to know besides the script itself.
struct TScriptFacts {
    String readMe;      // below the destination, "Help\read me.txt"; empty: no offer
    String programDir;  // script directory of the program run after the install
    String programName;
    bool needsWindows = false;  // a directory lies in the Windows folders
    // The program of each association, in the script's order: its script
    // directory and name.
    std::vector<std::pair<String, String>> associationPrograms;
    std::vector<TDesktopFact> desktop;
};

// Fills data (a new script) from the author's script; raises EScriptError.
TScriptFacts BuildScriptData(const TAuthorScript& script, const std::vector<TPayloadFile>& payload, TNimboData& data);
