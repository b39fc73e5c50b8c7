// The uninstall page: removes what the install log lists (program groups
// and items, files, the log, created directories, the database engine) once
// the user confirms, and writes and deletes the Windows uninstall
// registration that points back at the setup program.
#pragma once

#include <vector>

#include "engine/installed_product.h"
#include "engine/nimbo_component.h"

class TNimboUnInstall : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboUnInstall();
    void Create(TComponent* owner) override;
    void ShowPage() override;
    void DoNext() override;

    bool AttemptUnInstall() const;
    String LogDir() const;
    void SetLogDir(const String& name);
    String LogFile() const;
    String LogFileName() const;
    void SetLogFileName(const String& v);
    TStringList* Text() { return &text_; }
    void SetText(const TStringList& lines) { text_.Assign(lines); }
    // The script's list of the files the uninstall needs beside the program.
    TStringList* UnInstallFiles();
    // Keeps only names of script files, each once; warns about the others.
    void SetUnInstallFiles(const TStringList& files);

    // Points Add/Remove Programs at "<log dir>\<program> UNINSTALL". The
    // program (and the language library) is copied there when it is not
    // there yet, and recorded as installed so the uninstall removes it.
    void RegisterUnInstall(const String& displayName);
    // Removes the registration. Asked while the uninstall removes (from
    // OnCleanup), it goes once the files and the log are gone, so an
    // uninstall cut short stays listed and can be run again.
    void UnregisterUnInstall(const String& displayName);

    TNotifyEvent OnCleanup;

private:
    // The files of the log: those but the program beside it, or the
    // program (and its language library) alone.
    // The files the log lists, but (or only) the program and its library;
    // the reasons files could not be removed, one line each.
    std::vector<String> RemoveFiles(bool program);
    // Reports files that could not be removed, ending the run as failed;
    // false when there were none.
    bool RefusedFiles(const std::vector<String>& refused);
    bool IsProgramFile(const String& file) const;
    // The folders of the log: those but the log's own and the folders above
    // it, or those alone.
    void RemoveDirectories(bool logFolders);
    bool OnWayToLog(const String& dir) const;
    bool HoldsOnlyDeferred(const String& dir) const;
    void PlaceProgram(const String& dir);
    // The product's own name for its uninstall program in that folder.
    String ProgramNameIn(const String& dir) const;
    // The product's version, maker and page, and the choices made, for the
    // registration.
    void AddProductValues(std::vector<std::pair<String, String>>& values) const;
    void MakeLogDir(const String& dir);
    // The size of what this run installed, for Add/Remove Programs.
    uint32_t InstalledKilobytes() const;
    void RemoveRegistration(const String& displayName);

    bool removing_ = false;
    std::vector<String> unregister_;  // asked while removing
    TStringList noFiles_;             // the file list without a script: always empty
    TStringList text_;
};
