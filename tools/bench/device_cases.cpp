#include "bench_cases.h"
#include "bench_devices.h"

#include <vector>

namespace bench {
namespace {

void measure_enumeration(Bench& bench, int count) {
    if (!load_devices(count)) return bench.report.fail("device set for enumeration");
    std::vector<char> list(1 << 16);
    Row row{"dib_enumerate", "devices", count, Target::none, {}};
    row.timing = bench.timer.run(
        [&](int) { return dib_enumerate(list.data(), static_cast<int32_t>(list.size())) > 2; },
        [&](int) { return bench.raw.enumerate() == count; });
    bench.report.add(row);
}

void measure_open_release(Bench& bench) {
    if (!load_device_pairs(1)) return bench.report.fail("device set for open and release");
    const std::string guid = guid_text(bridge_device_guid(0));
    const GUID twin = twin_device_guid(0);
    Row row{"dib_open + dib_release", "", 0, Target::none, {}};
    row.timing = bench.timer.run(
        [&](int) {
            const int32_t device = dib_open(guid.c_str());
            return device > 0 && dib_release(device) == DIB_OK;
        },
        [&](int) {
            IDirectInputDevice8A* device = bench.raw.open(twin);
            if (device) RawDirectInput::release(device);
            return device != nullptr;
        });
    bench.report.add(row);
}

}  // namespace

void measure_device_calls(Bench& bench) {
    measure_open_release(bench);
    for (int count : {1, 4, 8}) measure_enumeration(bench, count);
}

}  // namespace bench
