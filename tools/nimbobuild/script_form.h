// Compiles an author's script into the host form: the form's pages are
// set from the script and chained in the shipped order (language, welcome,
// install types, options, directory, confirmation, file copy, program
// groups), and its setup script is generated with every reference by
// position, as the form stores it.
#pragma once

#include <cstdint>
#include <vector>

#include "author_script.h"
#include "comp/comp_format.h"
#include "script_fill.h"

struct TCompiledScript {
    std::vector<uint8_t> form;             // the host form with its new SetupData
    bool compress = false;                 // the script asks for compressed files
    TCompMethod method = kCompMethodLzma;  // packed so, when it does
};

// payload: the files of the folder the script's patterns pick from;
// hostForm: the binary host form whose components the pages are. Raises
// EScriptError for a name or pattern that finds nothing, ENimboError when
// the host form lacks a component the script needs.
TCompiledScript CompileAuthorScript(const TAuthorScript& script, const std::vector<TPayloadFile>& payload,
                                    const std::vector<uint8_t>& hostForm);

// Whether name matches pattern: '*' any run of characters, '?' one,
// letter case ignored.
bool WildMatch(std::string_view pattern, std::string_view name);
