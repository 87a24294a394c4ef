// Medians and the one-line summary every benchmark prints.
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline void printTimes(const char* what, const std::vector<double>& ms) {
    if (ms.empty()) return;
    std::printf("%-44s median %8.2f ms  (min %.2f, max %.2f, %zu runs)\n", what, median(ms),
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
                ms.size());
}

} // namespace bench
