// The script's one user-visible report: a copy step that failed. The
// Windows side points the handler at the framework's message box (error
// kind, one OK button); tests install their own to observe the texts.
#pragma once

#include <functional>

#include "base/nstring.h"

using TNimboDataErrorHandler = std::function<void(const String& text)>;

// Installs a handler and returns the previous one. An empty handler
// restores the default, which writes the text to standard error.
TNimboDataErrorHandler SetNimboDataErrorHandler(TNimboDataErrorHandler handler);

// Shows "TNimbo data structure error: <label>: <message>".
void ShowNimboDataError(const String& label, const String& message);
