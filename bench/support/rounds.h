// Timing in interleaved rounds. Every round times each side once, starting
// with a different side each round, so a side never always runs on a
// warmer cache or right after the other's disk writes; each round gives
// its own ratio. The median ratio counts, and the spread (the lowest and
// the highest round's ratio) shows how far one noisy round lies from it:
// on a busy machine a single best time, or one round, can be far off.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

inline double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// result[side][round]: runs `rounds` rounds of every side; each side
// returns what it measured, usually the seconds it took (it may time only
// part of its work).
template <class T = double>
std::vector<std::vector<T>> Interleave(int rounds, const std::vector<std::function<T()>>& sides)
{
    std::vector<std::vector<T>> result(sides.size());
    for (int r = 0; r < rounds; ++r)
        for (size_t k = 0; k < sides.size(); ++k) {
            const size_t side = (static_cast<size_t>(r) + k) % sides.size();
            result[side].push_back(sides[side]());
        }
    return result;
}

// The per-round ratios a[r] / b[r] (times scaled by `scale`, e.g. for
// per-entry figures of runs of different sizes).
inline std::vector<double> Ratios(const std::vector<double>& a, const std::vector<double>& b, double scale = 1)
{
    std::vector<double> r;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) r.push_back(b[i] > 0 ? a[i] / b[i] * scale : 0);
    return r;
}

// "1.23 (median of 5 rounds, spread 1.10-1.40)"
inline std::string RatioText(const std::vector<double>& ratios)
{
    if (ratios.empty()) return "-";
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.2f (median of %zu rounds, spread %.2f-%.2f)", Median(ratios), ratios.size(),
                  *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
    return buf;
}

}  // namespace bench
