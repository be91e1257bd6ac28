// SPDX-License-Identifier: MIT
// What the benchmarks share: the processor time the process has used, and the median of a run of
// figures.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace mpt::bench {

// Seconds of processor time the process has used so far.
inline double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// The middle value; of an even count, the mean of the two middle ones; 0 of none.
inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace mpt::bench
