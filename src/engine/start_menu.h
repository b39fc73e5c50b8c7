// Where the Start menu keeps the program groups: a group is a folder of
// the user's or everybody's program folder, named as the file system keeps
// the group's name. The groups page, the uninstall's group removal and the
// install log (which reads an earlier version's groups as the user's) work
// out a group's folder here.
#pragma once

#include <string_view>

#include "base/nstring.h"

// A name that can be a group's or an item's: one the platform can hold as
// a file name (a group is a folder, an item a link file in it), and
// without a bracket.
bool IsStartMenuName(std::string_view name);
// The user's (CSIDL_PROGRAMS) or everybody's (CSIDL_COMMON_PROGRAMS)
// program folder, with a trailing backslash; empty when the platform has
// none.
String ProgramsFolder(bool common);
// A group's folder in `programs`: its name as the file system keeps it, no
// trailing backslash. Empty for a name that fails IsStartMenuName, so an
// outside name never leads anywhere else.
String GroupFolder(const String& programs, const String& group);
