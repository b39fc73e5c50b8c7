// The methods by the names the tools take and show them: "zlib" (deflate
// pieces, version 2) and "lzma".
#pragma once

#include "comp_format.h"

// Letter case ignored; false for any other name.
bool CompMethodFromName(const char* name, TCompMethod& method);
const char* CompMethodName(TCompMethod method);
