// bridge_session.h - one virtual device as the bridge and the test both see
// it: its GUID text from dib_enumerate, its control channel and HID parser,
// and the expected arrival of host values at the device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/pid_reports.h"
#include "client/vwheel_client.h"
#include "gantrel.h"

namespace vwheel {

// dib_enumerate's list, or "" when it fails.
std::string device_list();
// The element of a device list whose "pid" is `product_id`, or "".
std::string description_in(const std::string &list, uint16_t product_id);
// The element of dib_enumerate's list whose "pid" is the variant's, or "".
std::string enumerated_description(const Variant &variant);
// A string or number member of one description object ("" when missing).
std::string json_member(const std::string &object, const std::string &key);
std::string last_error_text();
// The running Wine's major version (ntdll's wine_get_version), 0 outside Wine.
// A few of Wine's own answers changed between Wine 8 and Wine 10: the checks
// of those state both and pick by this.
int wine_major_version();
inline bool wine10_or_later() { return wine_major_version() >= 10; }

class DeviceSession {
public:
    explicit DeviceSession(const Variant &variant);
    ~DeviceSession();

    bool ready() const { return control_.is_open() && hid_.is_open() && !guid_.empty(); }
    // Why ready() is false, for the failure message.
    std::string problem() const;
    const std::string &guid() const { return guid_; }
    ControlChannel &control() { return control_; }
    const PidDecoder &decoder() const { return decoder_; }

    // Everything the device received since the last call, decoded.
    std::vector<PidReport> take_reports();
    // An input report with the given axis values (generic desktop usages),
    // pressed buttons (1-based) and hat (-1 centred, else 0..7).
    std::vector<uint8_t> input_report(const std::vector<std::pair<USAGE, LONG>> &axes,
                                      const std::vector<USAGE> &buttons, int hat) const;
    // Scales a DirectInput value in [physical_min, physical_max] into the
    // logical range the device declared for this output usage.
    LONG device_value(uint8_t report_id, USAGE usage, LONG di_value, LONG physical_min, LONG physical_max,
                      USAGE page = kPidPage) const;

private:
    const Variant &variant_;
    ControlChannel control_;
    HidInterface hid_;
    PidDecoder decoder_;
    std::string guid_;
};

// Bridge units (full scale 4096) to DirectInput's nominal 10000.
inline LONG nominal(int32_t bridge_value) { return static_cast<LONG>(bridge_value * 10000.0 / 4096.0); }

// The device-control and device-gain reports, in order: "reset gain ...".
std::string controls(const std::vector<PidReport> &reports);

// Polls the device until `done` holds for a report or the time runs out.
bool poll_until(int32_t device, InputReport *report, bool (*done)(const InputReport &, const void *),
                const void *context, unsigned timeout_ms = 3000);

// The host values the effect tests send, none of them a default, so a value
// lost on its way to the device shows. The second condition axis takes part
// only with two_axes.
EffectParams sample_params(bool two_axes = true);

} // namespace vwheel
