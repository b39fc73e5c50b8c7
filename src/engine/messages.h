// Languages the language page may offer, and their names.
#pragma once

#include "base/setup_files.h"

#include "base/nstring.h"

enum TLanguageTypes {
    laEnglish,
    laCompiled,
    laFrench,
    laDutch,
    laNorwegian,
    laItalian,
    laSpanish,
    laGerman,
    laHungarian
};
using TLanguageTypeSet = unsigned;  // bit n = TLanguageTypes n

// The name of a language; laCompiled is the program's own second language
// once the language list has been built.
const String& LanguageName(TLanguageTypes t);

// Where the catalogues start among the program's own strings: the English
// one, and the second language a program may carry compiled in.
inline constexpr unsigned kEnglishMessages = 5000;
inline constexpr unsigned kCompiledMessages = 6000;
