// Files a process cannot delete while it runs (its own program file, a
// library it has loaded): the platform's command interpreter deletes them
// once they can go, then deletes its own script.
#pragma once

#include <vector>

#include "base/nstring.h"

// Starts the deletion; false when it could not be started. It gives up
// after about a minute if a file still cannot be deleted. The directories
// are removed afterwards, each only if it is empty by then. The script is
// written into `scriptDir`.
bool DeleteAfterExit(const std::vector<String>& files, const std::vector<String>& dirs, const String& scriptDir);
