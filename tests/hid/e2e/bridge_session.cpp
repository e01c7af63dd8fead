#include "bridge_session.h"

#include <windows.h>

#include "driver/pid_usages.h"

#include <climits>
#include <cstdlib>

namespace vwheel {

std::string device_list()
{
    std::vector<char> buffer(65536);
    if (dib_enumerate(buffer.data(), static_cast<int32_t>(buffer.size())) < 2) return "";
    return buffer.data();
}

std::string description_in(const std::string &list, uint16_t product_id)
{
    std::string key = "\"pid\":" + std::to_string(product_id) + ",";
    size_t at = list.find(key);
    if (at == std::string::npos) return "";
    // Objects start with their GUID, whose text has braces of its own.
    size_t begin = list.rfind("{\"guid\":", at);
    size_t end = list.find('}', at);
    return list.substr(begin, end - begin + 1);
}

std::string enumerated_description(const Variant &variant)
{
    return description_in(device_list(), variant.product_id);
}

std::string json_member(const std::string &object, const std::string &key)
{
    std::string pattern = "\"" + key + "\":";
    size_t at = object.find(pattern);
    if (at == std::string::npos) return "";
    at += pattern.size();
    if (object[at] == '"') return object.substr(at + 1, object.find('"', at + 1) - at - 1);
    if (object[at] == '[') return object.substr(at, object.find(']', at) - at + 1);
    return object.substr(at, object.find_first_of(",}", at) - at);
}

std::string last_error_text()
{
    char text[512] = {};
    dib_last_error(text, sizeof(text));
    return text;
}

int wine_major_version()
{
    using Getter = const char *(CDECL *)();
    FARPROC proc = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    return proc ? std::atoi(reinterpret_cast<Getter>(reinterpret_cast<void (*)()>(proc))()) : 0;
}

DeviceSession::DeviceSession(const Variant &variant)
    : variant_(variant), control_(variant), hid_(variant), decoder_(hid_.preparsed())
{
    guid_ = json_member(enumerated_description(variant), "guid");
    control_.reset();
}

DeviceSession::~DeviceSession()
{
    control_.reset();
}

std::string DeviceSession::problem() const
{
    if (!control_.is_open()) return "control device does not open";
    if (!hid_.is_open()) return "HID device not found";
    if (guid_.empty()) return "not in dib_enumerate's list";
    return "";
}

std::vector<PidReport> DeviceSession::take_reports()
{
    return decoder_.decode_all(control_.take_log());
}

std::vector<uint8_t> DeviceSession::input_report(const std::vector<std::pair<USAGE, LONG>> &axes,
                                                 const std::vector<USAGE> &buttons, int hat) const
{
    const ULONG length = hid_.caps().InputReportByteLength;
    std::vector<uint8_t> report(length);
    char *bytes = reinterpret_cast<char *>(report.data());
    HidP_InitializeReportForID(HidP_Input, VWHEEL_INPUT_CONTROLS_ID, hid_.preparsed(), bytes, length);
    for (const auto &axis : axes)
        HidP_SetUsageValue(HidP_Input, kGenericPage, 0, axis.first, static_cast<ULONG>(axis.second), hid_.preparsed(),
                           bytes, length);
    if (!buttons.empty()) {
        std::vector<USAGE> list = buttons;
        ULONG count = static_cast<ULONG>(list.size());
        HidP_SetUsages(HidP_Input, 0x09, 0, list.data(), &count, hid_.preparsed(), bytes, length);
    }
    // A hat outside its logical range (here 8) is the null state: centred.
    HidP_SetUsageValue(HidP_Input, kGenericPage, 0, 0x39, hat < 0 ? 8 : static_cast<ULONG>(hat), hid_.preparsed(),
                       bytes, length);
    return report;
}

LONG DeviceSession::device_value(uint8_t report_id, USAGE usage, LONG di_value, LONG physical_min,
                                 LONG physical_max, USAGE page) const
{
    LONG min = 0, max = 0;
    if (!decoder_.logical_range(HidP_Output, report_id, usage, &min, &max, page)) return LONG_MIN;
    return min + (di_value - physical_min) * (max - min) / (physical_max - physical_min);
}

std::string controls(const std::vector<PidReport> &reports)
{
    std::string words;
    for (const auto &r : reports) {
        std::string word;
        if (r.collection == PU_DEVICE_GAIN_REPORT) word = "gain";
        else if (r.collection == PU_DEVICE_CONTROL_REPORT)
            word = r.selected(PU_DC_DEVICE_RESET) ? "reset" : r.selected(PU_DC_STOP_ALL_EFFECTS) ? "stopall" : "other";
        if (!word.empty()) words += (words.empty() ? "" : " ") + word;
    }
    return words;
}

bool poll_until(int32_t device, InputReport *report, bool (*done)(const InputReport &, const void *),
                const void *context, unsigned timeout_ms)
{
    for (unsigned waited = 0; waited <= timeout_ms; waited += 10) {
        if (dib_poll(device, report) == DIB_OK && done(*report, context)) return true;
        Sleep(10);
    }
    return false;
}

EffectParams sample_params(bool two_axes)
{
    EffectParams p = {};
    p.gain = 3072;
    p.duration_ms = 2500;
    p.attack_level = 1024;
    p.attack_ms = 300;
    p.fade_level = 512;
    p.fade_ms = 700;
    p.cond[0] = {1, 400, 3000, -1500, 4096, 2048, 200};
    p.cond[1] = {two_axes, -800, 1000, 2000, 1024, 3072, 100};
    p.periodic_magnitude = 2000;
    p.periodic_offset = -600;
    p.phase_deg = 90;
    p.period_ms = 125;
    p.constant_magnitude = -2500;
    return p;
}

} // namespace vwheel
