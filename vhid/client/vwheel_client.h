// vwheel_client.h - the test side of a virtual device: its control channel
// (input in, logged reports out) and its HID interface (the parser's view
// of its reports).
#pragma once

#include <windows.h>

// mingw-w64's HID headers lack C linkage declarations of their own.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <cstdint>
#include <string>
#include <vector>

#include "../vwheel_protocol.h"

namespace vwheel {

struct Variant {
    const wchar_t *name;
    uint16_t vendor_id;
    uint16_t product_id;
    const char *product;
};

extern const Variant kWheel;
extern const Variant kStick;
extern const Variant kMulti;

class ControlChannel {
public:
    explicit ControlChannel(const Variant &variant);
    ~ControlChannel();
    ControlChannel(const ControlChannel &) = delete;
    ControlChannel &operator=(const ControlChannel &) = delete;

    bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool push_input(const std::vector<uint8_t> &report);
    std::vector<VWheelLogEntry> take_log();
    bool plan_block_load(unsigned status, unsigned count);
    VWheelState state();
    bool reset();

private:
    bool call(DWORD code, const void *in, DWORD in_size, void *out, DWORD out_size, DWORD *written);
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// The device's HID collection, opened without access rights: enough for
// the parser, and no interference with DirectInput's own handle.
class HidInterface {
public:
    explicit HidInterface(const Variant &variant);
    ~HidInterface();
    HidInterface(const HidInterface &) = delete;
    HidInterface &operator=(const HidInterface &) = delete;

    bool is_open() const { return preparsed_ != nullptr; }
    PHIDP_PREPARSED_DATA preparsed() const { return preparsed_; }
    const HIDP_CAPS &caps() const { return caps_; }
    std::wstring path() const { return path_; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    PHIDP_PREPARSED_DATA preparsed_ = nullptr;
    HIDP_CAPS caps_ = {};
    std::wstring path_;
};

} // namespace vwheel
