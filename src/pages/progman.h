// The Program Manager conversation the program groups and uninstall pages
// share: the wizard dialog's DDE client linked to service and topic
// "Progman", and commands sent whole, each followed by CR LF, without
// waiting for Program Manager to carry them out.
#pragma once

#include "base/nstring.h"

// Opens the link; false when no server answers.
bool OpenProgMan();
void CloseProgMan();
// False when the command could not be sent (no conversation, or refused).
bool ProgManExecute(const String& command);
// The group names Program Manager lists, one per line; empty without one.
String ProgManGroups();

// The DDE service the pages talk to, "Progman" unless a test points them
// at a server of its own; returns the one before.
String SetProgManService(const String& service);
