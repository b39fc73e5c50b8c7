// Random mutations of stored scripts, bounded in time so that it runs with
// every test run. Deterministic: the same seed gives the same inputs.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "script_samples.h"
#include "stream_fuzz_check.h"

namespace {

std::vector<uint8_t> Mutate(std::vector<uint8_t> b, std::mt19937& rng)
{
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % (n ? n : 1)); };
    static const uint8_t kInteresting[] = {0, 1, 2, 3, 4, 6, 8, 9, 12, 0x7F, 0x80, 0xFF};
    const int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
        switch (rng() % 6) {
        case 0:
            if (!b.empty()) b[pick(b.size())] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1:
            if (!b.empty()) b[pick(b.size())] = kInteresting[pick(sizeof kInteresting)];
            break;
        case 2:
            b.insert(b.begin() + static_cast<long>(pick(b.size() + 1)), kInteresting[pick(sizeof kInteresting)]);
            break;
        case 3:
            if (!b.empty()) b.erase(b.begin() + static_cast<long>(pick(b.size())));
            break;
        case 4:
            b.resize(pick(b.size() + 1));
            break;
        case 5: {  // repeat a slice somewhere else
            if (b.size() < 2) break;
            const size_t from = pick(b.size());
            const size_t len = 1 + pick(std::min<size_t>(64, b.size() - from));
            const std::vector<uint8_t> slice(b.begin() + static_cast<long>(from),
                                             b.begin() + static_cast<long>(from + len));
            b.insert(b.begin() + static_cast<long>(pick(b.size() + 1)), slice.begin(), slice.end());
            break;
        }
        }
    }
    return b;
}

}  // namespace

TEST(ScriptStreamFuzz, MutatedScriptsNeverCrashOrHang)
{
    TNimboData rich;
    BuildRichScript(rich);
    const std::vector<std::vector<uint8_t>> seeds = {ShippedBytes(), Version4(), WriteScript(rich)};
    for (const auto& s : seeds) CheckStreamInput(s.data(), s.size());

    std::mt19937 rng(20261207);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int runs = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<uint8_t> input = Mutate(seeds[static_cast<size_t>(runs) % seeds.size()], rng);
        CheckStreamInput(input.data(), input.size());
        ++runs;
    }
    EXPECT_GT(runs, 100);
    std::printf("%d mutated scripts read\n", runs);
}
