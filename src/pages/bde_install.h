// The database engine page: installs the engine an application needs,
// either by running the engine's own setup program or as part of this
// setup (its files go to the copy page's selection, its settings to WIN.INI
// or the registry). Found installed, it goes on and offers a reinstall.
// The uninstall removes an integrated engine again through RemoveEngine.
#pragma once

#include "engine/nimbo_component.h"

enum TNimboBDEInstallTypes : uint8_t { bdeNone, bde16Borland, bde16Integrated, bde32Integrated };
const TEnumInfo& BDEInstallTypeNames();

// Whether the 16-bit engine (WIN.INI) or the 32-bit engine (registry) is installed.
bool IsEngineInstalled16();
bool IsEngineInstalled32();

class TNimboBDEInstall : public TNimboPage {
    NIMBO_CLASS()

public:
    TNimboBDEInstall();
    // At most one such page per form.
    void Create(TComponent* owner) override;
    // "ExtraData": a stored list of strings.
    void DefineProperties(TFiler& filer) override;
    void Notification(TComponent* component, TOperation operation) override;
    uint8_t Execute() override;
    void ShowPage() override;
    void DoNext() override;
    void ButtonClick(TObject* sender) override;
    bool BlocksPrevious() const override { return true; }
    // Every way of installing the engine writes machine-wide: the registry
    // below HKEY_LOCAL_MACHINE, WIN.INI, the engine's shared folder.
    bool WritesMachineWide() const override { return bdeType_ != bdeNone; }

    // Undoes an integrated install of that type (the type the install log
    // names), when AllowUnInstall is set. A directory that cannot be
    // removed raises EInOutError.
    void RemoveEngine(TNimboBDEInstallTypes type);

    bool Installed() const { return installed_; }
    bool AllowUnInstall() const { return allowUnInstall_; }
    void SetAllowUnInstall(bool v) { allowUnInstall_ = v; }
    const String& BDEDir() const { return bdeDir_; }
    void SetBDEDir(const String& v) { bdeDir_ = v; }
    TNimboBDEInstallTypes BDEType() const { return bdeType_; }
    void SetBDEType(TNimboBDEInstallTypes v) { bdeType_ = v; }
    const String& DefaultDir() const { return defaultDir_; }
    // Stored with a trailing backslash; a value that is no directory path
    // is refused with a warning and the old value kept.
    void SetDefaultDir(const String& v);
    const String& InstallProgram() const { return installProgram_; }
    void SetInstallProgram(const String& v) { installProgram_ = v; }
    // Registry values of the 32-bit engine, one a line: key below
    // HKEY_LOCAL_MACHINE, ":~:", value name, ":~:", data.
    TStringList* ExtraData() { return &extraData_; }
    void SetExtraData(const TStringList& lines) { extraData_.Assign(lines); }
    TStringList* Text() { return &text_; }
    void SetText(const TStringList& lines) { text_.Assign(lines); }

private:
    bool EngineInstalled() const;
    void InstallEngine();
    void RunEngineSetup();
    void IntegratedInstall();
    String EngineDir() const;
    bool IsRemovableEngineDir(const String& dir) const;
    void RemoveEngineDir(const String& dir) const;

    bool installed_ = false;
    bool allowUnInstall_ = false;
    String bdeDir_ = "(none)";
    TNimboBDEInstallTypes bdeType_ = bdeNone;
    String defaultDir_ = "C:\\IDAPI\\";
    String installProgram_ = "SETUP.EXE";
    TStringList extraData_;
    TStringList text_;
};
