// Registry values as bytes, for the entries an installation makes and the
// uninstall takes back: read, written and compared exactly as stored.
#pragma once

#include <windows.h>

#include "base/nstring.h"

// HKEY_LOCAL_MACHINE for "HKLM", else HKEY_CURRENT_USER.
HKEY RegistryRoot(const String& root);
// "HKEY_LOCAL_MACHINE\key"
String RegistryKeyName(const String& root, const String& key);
// "HKEY_LOCAL_MACHINE\key\name" ("(default)" for the empty name).
String RegistryPlaceName(const String& root, const String& key, const String& name);
bool RegistryKeyExists(HKEY root, const String& key);
// The key above ("a\b" for "a\b\c"); empty for a key at the top.
String ParentKey(const String& key);
bool ReadRegistryBytes(HKEY root, const String& key, const String& name, DWORD& type, String& data);
// Makes the key when it is missing; the platform's error code.
LONG WriteRegistryBytes(HKEY root, const String& key, const String& name, DWORD type, const String& data);
LONG DeleteRegistryValue(HKEY root, const String& key, const String& name);
// Removes the key when it holds neither values nor keys; true when it did.
bool DeleteEmptyRegistryKey(HKEY root, const String& key);
// A text value's bytes as text: up to its first zero.
String RegistryText(const String& data);
// Where PATH is kept: the user's environment, or the machine's.
String EnvironmentKey(bool perUser);
// Tells running programs that the environment changed, waiting at most a
// few seconds for any of them.
void BroadcastEnvironmentChange();
