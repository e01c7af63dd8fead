// A host of gantrel.dll in C++: small RAII owners make sure every effect is
// destroyed and every device released, whichever way the program leaves.
#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "gantrel.h"

namespace {

struct BridgeError : std::runtime_error {
    BridgeError(const char* what, int32_t code) : std::runtime_error(describe(what, code)), code(code) {}
    static std::string describe(const char* what, int32_t code) {
        char message[512];
        dib_last_error(message, sizeof message);
        return std::string(what) + " failed: " + std::to_string(code) + " (" + message + ")";
    }
    int32_t code;
};

int32_t check(const char* what, int32_t result) {
    if (result < 0) throw BridgeError(what, result);
    return result;
}

class Device {
public:
    explicit Device(const std::string& guid) : handle_(check("dib_open", dib_open(guid.c_str()))) {}
    ~Device() {
        if (handle_ > 0) dib_release(handle_);
    }
    Device(Device&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    int32_t handle() const { return handle_; }

    // Effects act on mapped axes 0 and 1 (X and Y unless told otherwise):
    // point them at the actuators the device really has, a wheel has one.
    void map_actuators() {
        const int32_t mask = check("dib_ffb_axes", dib_ffb_axes(handle_));
        int32_t axes[2] = {DIB_AXIS_NONE, DIB_AXIS_NONE};
        int found = 0;
        for (int32_t code = DIB_AXIS_X; code <= DIB_AXIS_SLIDER1 && found < 2; ++code)
            if (mask & (1 << code)) axes[found++] = code;
        if (found) check("dib_set_axis_map", dib_set_axis_map(handle_, axes[0], axes[1], 0, 0));
    }

private:
    int32_t handle_;
};

class Effect {
public:
    Effect(const Device& device, int32_t type, const EffectParams& params)
        : handle_(check("dib_effect_create", dib_effect_create(device.handle(), type, &params))) {}
    ~Effect() {
        if (handle_ > 0) dib_effect_destroy(handle_);
    }
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;
    void start(int32_t count = 1) { check("dib_effect_start", dib_effect_start(handle_, count)); }
    void update(const EffectParams& params) { check("dib_effect_update", dib_effect_update(handle_, &params)); }

private:
    int32_t handle_;
};

std::string device_list() {
    std::string buffer(4096, '\0');
    for (;;) {
        const int32_t n = dib_enumerate(&buffer[0], static_cast<int32_t>(buffer.size()));
        if (n >= 0) return buffer.substr(0, static_cast<size_t>(n));
        if (n != DIB_E_BADARG) check("dib_enumerate", n);
        buffer.resize(buffer.size() * 2);  // "buffer too small": the list is built anew
    }
}

}  // namespace

int main() {
    try {
        const std::string list = device_list();
        std::printf("devices: %s\n", list.c_str());
        const size_t key = list.find("\"guid\":\"");
        if (key == std::string::npos) {
            std::printf("no force-feedback controller attached\n");
            return 0;
        }
        Device device(list.substr(key + 8, 38));
        std::printf("opened device %d\n", device.handle());
        device.map_actuators();

        EffectParams params = {};
        params.constant_magnitude = 1024;
        Effect push(device, DIB_EFFECT_CONSTANT, params);
        push.start();
        for (int step = 1; step <= 4; ++step) {
            params.direction_deg = 90 * step;  // sweep the force around the circle
            push.update(params);
            Sleep(100);
        }
        std::printf("swept a constant force through 360 degrees\n");
    } catch (const BridgeError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("released\n");
    return 0;
}
