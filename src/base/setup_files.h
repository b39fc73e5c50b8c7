// The files a setup folder holds for the setup itself, beside the
// application's: the program, the libraries it loads by name, and the solid
// archive of the small files (see engine/payload_format.h).
#pragma once

inline constexpr const char* kSetupProgramName = "setup.exe";
inline constexpr const char* kLanguageLibraryName = "TNLANG32.DLL";
inline constexpr const char* kCompLibraryName = "TNComp32.DLL";
inline constexpr const char* kSolidArchiveName = "SETUP.SLD";
