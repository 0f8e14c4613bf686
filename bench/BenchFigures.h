#pragma once

// What every bench program prints for bench/run_bench.sh to gather into one
// table: a line per figure, tab-separated, starting with "FIGURE":
//   FIGURE <figure> <value> <unit> <runs> <ratio and peer, or ->
// Anything else a program prints is commentary the driver passes through.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace lorvena::bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// 10000 as "10,000".
inline std::string grouped(std::size_t count)
{
    char text[32];
    if (count < 1000)
        std::snprintf(text, sizeof text, "%zu", count);
    else if (count < 1000'000)
        std::snprintf(text, sizeof text, "%zu,%03zu", count / 1000, count % 1000);
    else
        std::snprintf(text, sizeof text, "%zu,%03zu,%03zu", count / 1000'000, count / 1000 % 1000, count % 1000);
    return text;
}

// `precision` digits after the point; `peer` empty when the figure has none.
inline void printFigure(const std::string& figure, double value, const char* unit, std::size_t runs,
    const std::string& peer = {}, int precision = 1)
{
    std::printf("FIGURE\t%s\t%.*f\t%s\t%zu\t%s\n", figure.c_str(), precision, value, unit, runs,
        peer.empty() ? "-" : peer.c_str());
    std::fflush(stdout);
}

// "0.12 x <peer> (<peer's value> <unit>)": ours over the peer's, both
// medians of runs taken side by side.
inline std::string ratioTo(double ours, double peers, const std::string& peer, const char* unit, int precision = 1)
{
    char text[256];
    std::snprintf(text, sizeof text, "%.2f x %s (%.*f %s)", peers > 0 ? ours / peers : 0.0, peer.c_str(), precision,
        peers, unit);
    return text;
}

} // namespace lorvena::bench
