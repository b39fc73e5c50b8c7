// The database engine page and the install scope: every way the page
// installs the engine writes what all users of the computer share (the
// registry below HKEY_LOCAL_MACHINE, WIN.INI, the engine's folder), so a
// setup with such a page cannot be a per-user one. setup.exe makes it
// machine-wide whatever its form says; the builder refuses a form or
// script that says otherwise.
#pragma once

#include "form_tree.h"

// The name of the form's first database engine page that installs (its
// BDEType other than bdeNone); empty when it has none.
String InstallingEnginePage(const TFormObject& form);
// The form's own InstallScope ("isMachine" when it sets none).
String FormInstallScope(const TFormObject& form);
// Raises ENimboError, naming `source`, for a form whose controller is
// per-user or asks ("isUser", "isAsk") while a page of it installs the
// engine.
void CheckEngineScope(const TFormObject& form, const String& source);
