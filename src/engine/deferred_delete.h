// Files a process cannot delete while it runs (its own program file, a
// library it has loaded): the platform's command interpreter deletes them
// once they can go, then deletes its own script.
#pragma once

#include <vector>

#include "base/nstring.h"

// Starts the deletion; false when it could not be started. It gives up
// after about a minute if a file still cannot be deleted.
bool DeleteAfterExit(const std::vector<String>& files);
