// The expanded bytes of a compressed file of ours that lies in a part of a
// larger file (a solid archive's stream), read in order by the caller while
// a thread of the reader's own expands ahead of it, the stream's pieces two
// at a time as ExpandCompStream does. The caller writes what it read
// meanwhile; a few buffers between the two keep both busy.
#pragma once

#include <atomic>
#include <cstdint>

#include "comp_file.h"
#include "comp_thread.h"

class TCompStreamReader {
public:
    TCompStreamReader() = default;
    TCompStreamReader(const TCompStreamReader&) = delete;
    TCompStreamReader& operator=(const TCompStreamReader&) = delete;
    // Stops the expansion where it is.
    ~TCompStreamReader() { Close(); }

    // Starts on the size bytes at offset in source, which must be one
    // compressed file exactly: kCompOk with its header read and checked,
    // or why not. A reader opens once.
    int32_t Open(const char* source, uint64_t offset, uint64_t size);
    const TCompHeader& Header() const { return header_; }
    // Up to size bytes, fewer only at the end; 0 at the end of a sound
    // stream (its size and CRC checked); after the bytes that came before
    // it, the expansion's failure (kCompCorrupt for damage or a cut).
    int64_t Read(void* buffer, size_t size);
    void Close();

private:
    // The expansion runs up to 16 MiB ahead: the copy holds a member (up
    // to as much) whole before it writes it, and the expansion goes on
    // meanwhile. (The memory is taken as the slots fill.)
    static constexpr size_t kSlotSize = 256 * 1024;
    static constexpr unsigned kSlots = 64;
    struct TSlot {
        size_t size;     // 0: the end, with the expansion's result
        int32_t result;  // kCompOk or the failure
    };
    // The thread's side: what ExpandCompStream writes goes into free slots.
    class TSlotSink : public TCompSink {
    public:
        explicit TSlotSink(TCompStreamReader& reader) : reader_(reader) {}
        bool Write(const void* data, size_t size) override { return reader_.Put(data, size); }

    private:
        TCompStreamReader& reader_;
    };

    static void Expand(void* self) { static_cast<TCompStreamReader*>(self)->Produce(); }
    void Produce();
    int32_t CheckHeader(const TCompHeader& header);
    bool Put(const void* data, size_t size);
    // The next slot to fill, once one is free; false when the reader closes.
    bool NextFree();
    uint8_t* SlotData(unsigned k) const { return buffer_.Data() + k * kSlotSize; }

    TCompInFile in_;
    uint64_t size_ = 0;
    TCompHeader header_;
    static constexpr int32_t kCompNotOpened = 1;
    int32_t opened_ = kCompNotOpened;  // then the header's result, for Open
    TCompBuffer buffer_;
    TSlot slots_[kSlots] = {};
    TCompSemaphore free_, filled_, headerRead_;
    TCompThread thread_;
    std::atomic<bool> stop_{false};
    unsigned put_ = 0;      // the thread's next slot
    unsigned take_ = 0;     // the reader's slot
    size_t taken_ = 0;      // bytes of it read
    bool running_ = false;  // the thread was started and not yet joined
    bool holding_ = false;
    bool ended_ = false;
    int32_t result_ = kCompOk;
};
