// The single-file setup the builder writes: a copy of setup.exe carrying
// the form, the language texts and (when a file ships compressed) the
// compression library as resources, with the payload behind the program
// image (see engine/payload_format.h). A file that is not kept is removed
// again, with the work folder of its compressed files, so a failed build
// leaves nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "base/nstring.h"
#include "comp/comp_format.h"
#include "engine/payload_format.h"
#include "solid_writer.h"

// The builder's steps are those of TSetupFolder, with a file for a folder.
class TSingleFile {
public:
    TSingleFile(const String& path, const String& templates);
    TSingleFile(const TSingleFile&) = delete;
    TSingleFile& operator=(const TSingleFile&) = delete;
    ~TSingleFile();

    // The compression library comes along only when a file ships packed.
    void AddProgram(bool compressed);
    void CopyIn(const String& source, const String& name);
    bool CompressIn(const String& source, const String& name, int32_t size, int32_t& shippedSize, TCompMethod method);
    // The small files as one solid archive, an entry of the payload.
    void AddSolid(const std::vector<TSolidMember>& members, TCompMethod method);
    // The last step: the program with its resources, then the payload.
    // With the version resource of the product (ProductVersionResource).
    void SetForm(const std::vector<uint8_t>& form, bool pack, const std::vector<uint8_t>& version);
    int64_t Size() const;
    void Keep() { keep_ = true; }

private:
    // A file of the payload and where its stored bytes are read from.
    struct TShipped {
        String from;
        TPayloadEntry entry;
        // Written into the work folder, and removed with it.
        bool Made() const { return entry.compressed || entry.solid; }
    };
    void WriteResources(const std::vector<uint8_t>& form, bool pack, const std::vector<uint8_t>& header,
                        const std::vector<uint8_t>& version);
    void AppendPayload(const std::vector<uint8_t>& header, const std::vector<uint8_t>& directory);

    String path_;
    String templates_;
    String work_;
    bool compressed_ = false;
    bool written_ = false;
    bool keep_ = false;
    std::vector<TShipped> files_;
};
