#include "comp_stream.h"

#include <algorithm>
#include <cstring>

int32_t TCompStreamReader::Open(const char* source, uint64_t offset, uint64_t size)
{
    if (opened_ != kCompNotOpened) return kCompCannotOpen;  // once only
    opened_ = kCompCannotOpen;
    if (!source || !in_.Open(source)) return kCompCannotOpen;
    const int64_t fileSize = in_.Size();
    if (fileSize < 0) return kCompCannotOpen;
    if (offset > static_cast<uint64_t>(fileSize) || size > static_cast<uint64_t>(fileSize) - offset)
        return kCompCorrupt;
    if (!in_.Seek(offset)) return kCompCannotOpen;
    size_ = size;
    if (!buffer_.Reserve(kSlots * kSlotSize) || !free_.Create(kSlots) || !filled_.Create(0) || !headerRead_.Create(0))
        return kCompNoMemory;
    stop_ = false;
    put_ = take_ = 0;
    taken_ = 0;
    holding_ = ended_ = false;
    opened_ = kCompOk;
    if (!thread_.Start(&Expand, this)) return opened_ = kCompNoMemory;
    running_ = true;
    // The thread says once the header is read, or why it cannot be.
    headerRead_.Acquire();
    if (opened_ != kCompOk) Close();
    return opened_;
}

void TCompStreamReader::Produce()
{
    TCompWindow window(in_, size_);
    TSlotSink sink(*this);
    bool told = false;
    const int32_t r = ExpandCompStream(window, sink, {}, nullptr, [this, &told](const TCompHeader& header) {
        const int32_t checked = CheckHeader(header);
        told = checked == kCompOk;
        if (told) headerRead_.Release();
        return checked;
    });
    if (!told) {
        opened_ = r;
        headerRead_.Release();
        return;
    }
    // The end, or where the expansion failed.
    if (!NextFree()) return;
    slots_[put_] = TSlot{0, r};
    filled_.Release();
}

int32_t TCompStreamReader::CheckHeader(const TCompHeader& header)
{
    header_ = header;
    // A part that is cut or runs on is known before anything is read.
    return CompLengthAgrees(size_, header) ? kCompOk : kCompCorrupt;
}

bool TCompStreamReader::NextFree()
{
    // Close gives one count after the stop: enough for one more look.
    if (stop_) return false;
    free_.Acquire();
    return !stop_;
}

bool TCompStreamReader::Put(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        if (!NextFree()) return false;
        const size_t n = std::min(size, kSlotSize);
        std::memcpy(SlotData(put_), p, n);
        slots_[put_] = TSlot{n, kCompOk};
        put_ = (put_ + 1) % kSlots;
        filled_.Release();
        p += n;
        size -= n;
    }
    return true;
}

int64_t TCompStreamReader::Read(void* buffer, size_t size)
{
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size && !ended_) {
        if (!holding_) {
            filled_.Acquire();
            holding_ = true;
            taken_ = 0;
            if (slots_[take_].size == 0) {
                ended_ = true;
                result_ = slots_[take_].result;
                break;
            }
        }
        const size_t n = std::min(size - done, slots_[take_].size - taken_);
        std::memcpy(out + done, SlotData(take_) + taken_, n);
        done += n;
        taken_ += n;
        if (taken_ == slots_[take_].size) {
            holding_ = false;
            take_ = (take_ + 1) % kSlots;
            free_.Release();
        }
    }
    if (done > 0 || !ended_) return static_cast<int64_t>(done);
    return result_;
}

void TCompStreamReader::Close()
{
    if (running_) {
        // A thread waiting for a free slot wakes, finds the stop and ends.
        stop_ = true;
        free_.Release();
        thread_.Join();
        running_ = false;
    }
    in_.Close();
}
