// The setup folder the builder writes: setup.exe with the new form, the
// libraries it needs and the payload. A folder that is not kept is removed
// again with everything written into it, so a failed build leaves nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"
#include "comp/comp_format.h"
#include "solid_writer.h"

// The resource of setup.exe (RCDATA) that holds its host form.
inline constexpr const char* kFormResourceName = "TNIMBOFORM";

class TSetupFolder {
public:
    // templates: the folder holding setup.exe and its libraries. Raises
    // ENimboError when path exists already (nothing of the user's is ever
    // overwritten) or cannot be made.
    TSetupFolder(const String& path, const String& templates);
    TSetupFolder(const TSetupFolder&) = delete;
    TSetupFolder& operator=(const TSetupFolder&) = delete;
    ~TSetupFolder();

    // setup.exe and TNLANG32.DLL, and TNComp32.DLL when compressed is set.
    void AddProgram(bool compressed);
    // The file as it is, with its time stamp. A name may start with
    // subfolders (sub\name), which are made as needed.
    void CopyIn(const String& source, const String& name);
    // The file in our compressed format when that is smaller; the plain
    // file otherwise. Gives whether it was compressed, and its size.
    bool CompressIn(const String& source, const String& name, int32_t size, int32_t& shippedSize, TCompMethod method);
    // The small files as one solid archive beside setup.exe, in the order given.
    void AddSolid(const std::vector<TSolidMember>& members, TCompMethod method);
    // Replaces setup.exe's form resource; with pack, by the packed form
    // when that is smaller.
    // With the version resource of the product (ProductVersionResource).
    void SetForm(const std::vector<uint8_t>& form, bool pack, const std::vector<uint8_t>& version);
    // Bytes of everything written.
    int64_t Size() const;
    void Keep() { keep_ = true; }

private:
    String Target(const String& name) const { return path_ + "\\" + name; }
    void Copy(const String& source, const String& name);
    void MakeFolders(const String& name);

    String path_;
    String templates_;
    std::vector<String> written_;
    std::vector<String> folders_;  // made, parents first
    bool keep_ = false;
};
