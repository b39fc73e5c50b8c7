// The Program Manager conversation of the program groups page: the wizard
// dialog's DDE client linked to service and topic "Progman", commands sent
// whole, each followed by CR LF, and the names they may carry.
#pragma once

#include "base/nstring.h"

// Opens the link; false when no server answers.
bool OpenProgMan();
void CloseProgMan();
// False when the command could not be sent (no conversation, or refused);
// with `wait`, also when Program Manager did not carry it out. Program
// Manager carries out one conversation's commands in order, so a command
// waited for follows all sent before it.
bool ProgManExecute(const String& command, bool wait = false);
// A name that can be a group or an item: one the platform can hold as a
// file name (a group is a folder, an item a link file in it), and without
// a bracket, which ends a command where a server reads an argument without
// its quotes. Names from outside (typed, from a script or a log) pass this
// before a command or a path is made of them.
bool IsProgManName(const String& name);
// A name as one argument of a command: in double quotes, which Program
// Manager takes up to the next double quote, with no escape; names that
// pass IsProgManName hold none.
String ProgManArg(const String& name);
// The process of the Program Manager at the other end; 0 without a link.
unsigned long ProgManProcess();
// The group names Program Manager lists, one per line; empty without one.
String ProgManGroups();

// The DDE service the pages talk to, "Progman" unless a test points them
// at a server of its own; returns the one before.
String SetProgManService(const String& service);
