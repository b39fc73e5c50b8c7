// The setup controller: one per form. It owns the setup script, links every
// setup component of its form, keeps the page history and the message
// catalogue of the current language.
#pragma once

#include <vector>

#include "base/string_list.h"
#include "engine/nimbo_component.h"
#include "script/nimbo_groups.h"

class TNimboPage;
class TNimboInfo;

// A control of the form that is not a setup component but works with the
// controller (the background): the controller links it when it joins.
class INimboControllerClient {
public:
    virtual ~INimboControllerClient() = default;
    virtual void LinkController(TNimboInfo* controller) = 0;
};

class TNimboInfo : public TNimboComponent {
    NIMBO_CLASS()

public:
    TNimboInfo();
    ~TNimboInfo() override;
    void Create(TComponent* owner) override;
    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler& filer) override;
    void Loaded() override;

    // Page history: pages whose Execute is running, oldest first.
    void PushPage(TNimboPage* page);
    void PopPage();
    TNimboPage* PreviousPage() const;
    const std::vector<TNimboPage*>& PageHistory() const { return pageHistory_; }

    // Messages and languages.
    String GetMessageText(unsigned n) const;
    void BuildLanguageList();
    void LoadLanguage(const String& name);
    const String& Language() const { return language_; }
    void SetLanguage(const String& name);
    TStringList* Languages() { return &languages_; }
    HMODULE LanguageModule() const { return languageModule_; }
    int MessageBase() const { return messageBase_; }

    // Directories and files chosen for this installation.
    void SelectDir(TNimboDir* dir, bool withFiles);
    void UnselectDir(TNimboDir* dir);
    bool SelectFile(TNimboFile* file, TNimboDir* dir);
    bool UnselectFile(TNimboFile* file, TNimboDir* dir);
    bool IsFileSelected(const TNimboFile* file, const TNimboDir* dir) const;
    const std::vector<TNimboDir*>& SelectedDirs() const { return selectedDirs_; }
    bool IsDirSelected(const TNimboDir* dir) const;
    TNimboFileGroup* SelectedFiles() { return &selectedFiles_; }

    TPicture* Picture() { return &picture_; }
    void SetPicture(const TPicture* p) { picture_.Assign(p); }

    bool MultiException() const { return multiException_; }
    void SetMultiException(bool v) { multiException_ = v; }
    bool Test() const { return test_; }
    void SetTest(bool v) { test_ = v; }
    bool MultiDisk() const { return multiDisk_; }
    const String& SourceDir() const { return sourceDir_; }
    TStringList* MultiDiskFiles() { return &multiDiskFiles_; }
    bool UnInstallMode() const { return unInstallMode_; }
    void SetUnInstallRef(TComponent* c) { unInstallRef_ = c; }

    TNotifyEvent OnMultiInstance;

private:
    bool unInstallMode_ = false;
    std::vector<TNimboPage*> pageHistory_;
    std::vector<TNimboDir*> selectedDirs_;
    TNimboFileGroup selectedFiles_;
    String language_ = "English";
    TStringList languages_;
    HMODULE languageModule_ = nullptr;
    int messageBase_ = 0;
    bool multiDisk_ = false;
    TStringList multiDiskFiles_;
    bool multiException_ = true;
    TPicture picture_;
    String sourceDir_;
    bool test_ = false;
    TComponent* unInstallRef_ = nullptr;  // written by the UnInstall property; nothing reads it
    TNimboData ownScript_;
};
