#include "paired_timer.h"

namespace bench {

double ticks_to_ns(LONGLONG ticks) {
    static const double ns_per_tick = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1e9 / static_cast<double>(frequency.QuadPart);
    }();
    return static_cast<double>(ticks) * ns_per_tick;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1) return upper;
    return (upper + *std::max_element(values.begin(), values.begin() + middle)) / 2;
}

}  // namespace bench
