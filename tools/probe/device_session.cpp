#include "device_session.h"

#include "axis_names.h"
#include "gantrel.h"
#include "interrupt.h"
#include "probe_errors.h"

namespace probe {

OpenDevice::OpenDevice(const DeviceChoice &choice) : handle_(dib_open(choice.guid.c_str())), label_(choice.label()) {
    if (handle_ >= 0) return;
    ProbeError failure = library_failure("dib_open", handle_);
    if (!choice.entry && handle_ == DIB_E_FAILED && library_message().rfind("CreateDevice failed", 0) == 0)
        throw ProbeError(kExitNoDevice, "there is no device " + choice.guid + ": no attached controller has that GUID (" +
                                            failure.what() + ")");
    throw failure;
}

OpenDevice::~OpenDevice() {
    if (handle_ <= 0) return;
    dib_release(handle_);
    note_cleanup("released " + label_);
}

void OpenDevice::release() {
    if (handle_ <= 0) return;
    const int32_t h = handle_;
    handle_ = 0;
    const int32_t result = dib_release(h);
    if (result < 0) throw library_failure("dib_release", result);
    note_cleanup("released " + label_);
}

void OpenDevice::lost() {
    if (handle_ > 0) dib_release(handle_);
    handle_ = 0;
}

bool OpenDevice::reopen(const std::string &guid) {
    const int32_t h = dib_open(guid.c_str());
    if (h > 0) handle_ = h;
    return h > 0;
}

AxisMap map_from_options(const ParsedArgs &args, const AxisMap &fallback) {
    AxisMap map = fallback;
    if (args.has("map")) {
        const std::vector<std::string> names = split(args.value("map"), ',');
        if (names.size() > 2) throw usage_error("--map: give one or two axes, e.g. X or X,Y");
        map.axis[0] = parse_axis(names[0], "--map");
        map.axis[1] = names.size() > 1 ? parse_axis(names[1], "--map") : DIB_AXIS_NONE;
        if (map.axis[0] == DIB_AXIS_NONE && map.axis[1] == DIB_AXIS_NONE)
            throw usage_error("--map: at least one of the two axes must be a real axis");
        // The library would accept it, but one motor would get the effect twice.
        if (map.axis[0] == map.axis[1])
            throw usage_error(std::string("--map: ") + axis_name(map.axis[0]) +
                              " is named twice; give two different axes, or just one (e.g. --map X)");
    }
    if (args.has("flip")) {
        std::vector<long> flips = {0, 0};
        parse_long_list(args.value("flip"), "--flip", 0, 1, 1, flips);
        map.flip[0] = flips[0];
        map.flip[1] = flips[1];
    }
    return map;
}

AxisMap actuator_map(int32_t handle) {
    const int32_t mask = dib_ffb_axes(handle);
    if (mask < 0) throw library_failure("dib_ffb_axes", mask);
    AxisMap map = {{DIB_AXIS_X, DIB_AXIS_Y}, {0, 0}};
    if (mask != 0) first_two_axes(mask, map.axis[0], map.axis[1]);
    return map;
}

void apply_map(int32_t handle, const AxisMap &map) {
    const int32_t result = dib_set_axis_map(handle, map.axis[0], map.axis[1], map.flip[0], map.flip[1]);
    if (result < 0) throw library_failure("dib_set_axis_map", result);
}

std::string map_text(const AxisMap &map) {
    std::string out;
    for (int i = 0; i < 2; i++) {
        if (i) out += ", ";
        out += axis_name(map.axis[i]);
        if (map.flip[i] && map.axis[i] != DIB_AXIS_NONE) out += " (reversed)";
    }
    return out;
}

void check_map_reaches_actuator(const AxisMap &map, int32_t ffb_mask, bool strict, Io &io) {
    for (int32_t axis : map.axis)
        if (axis >= 0 && (ffb_mask >> axis & 1)) return;
    int32_t first, second;
    first_two_axes(ffb_mask, first, second);
    const std::string problem =
        ffb_mask == 0 ? "the device reports no force-feedback actuator, so the effect may do nothing"
                      : "the mapped axes (" + map_text(map) + ") include none of the device's force-feedback actuators (" +
                            axis_mask_names(ffb_mask) + "), so the effect would do nothing or be refused; try --map " +
                            axis_name(first);
    if (strict) throw ProbeError(kExitUsage, problem + " (--strict)");
    io.err << "gantrel-probe: warning: " << problem << "\n";
}

}  // namespace probe
