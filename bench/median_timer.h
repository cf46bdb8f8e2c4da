// The median time of a step run several times, in milliseconds, or -1 when
// the step fails in any round.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

inline double MedianMilliseconds(int rounds, const std::function<bool()>& step) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        LARGE_INTEGER start, stop;
        QueryPerformanceCounter(&start);
        if (!step()) return -1;
        QueryPerformanceCounter(&stop);
        times.push_back(1000.0 * static_cast<double>(stop.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
