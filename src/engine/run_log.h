// The /LOG file: a plain-text record of a run for the administrator. Each
// run appends a section of its own, opened by a header (when, the command
// line, the user, the Windows version); every line carries its time.
#pragma once

#include "base/nstring.h"

// Appends a line to the /LOG file, when there is one; each line of a text
// that spans several gets the time.
void RunLog(const String& line);
// Opens the run's section: a blank line after an earlier run's, then the
// header lines.
void BeginRunLogSection();
// A name for the /LOG file of /LOG alone: in the temporary folder, after
// the product and the time.
String DefaultRunLogName();
