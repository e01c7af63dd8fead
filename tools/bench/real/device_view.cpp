#include "device_view.h"

#include "gantrel.h"

namespace bench {
namespace {

// PID usages (USB HID Physical Interface Device class) of the collections
// and operations counted.
constexpr USAGE kSetEffect = 0x21;
constexpr USAGE kSetEnvelope = 0x5a;
constexpr USAGE kSetCondition = 0x5f;
constexpr USAGE kSetPeriodic = 0x6e;
constexpr USAGE kSetConstant = 0x73;
constexpr USAGE kSetRamp = 0x74;
constexpr USAGE kEffectOperation = 0x77;
constexpr USAGE kOpStart = 0x79;
constexpr USAGE kOpStartSolo = 0x7a;
constexpr USAGE kOpStop = 0x7b;
constexpr USAGE kGenericX = 0x30;

struct Kind {
    USAGE collection;
    const char* name;
};
const Kind kKinds[] = {
    {kSetEffect, "set effect"},      {kSetEnvelope, "envelope"},     {kSetCondition, "condition"},
    {kSetPeriodic, "periodic"},      {kSetConstant, "constant force"}, {kSetRamp, "ramp"},
    {kEffectOperation, "effect operation"}, {0x7d, "device gain"},   {0x7f, "pool"},
    {0x89, "block load"},            {0x90, "block free"},           {0x95, "device control"},
    {0xab, "create new effect"},
};

}  // namespace

DeviceView::DeviceView(const vwheel::Variant& variant)
    : variant_(variant), hid_(variant), decoder_(hid_.preparsed()) {}

ReportCounts DeviceView::count(const std::vector<VWheelLogEntry>& reports) const {
    ReportCounts c;
    for (const vwheel::PidReport& r : decoder_.decode_all(reports)) {
        ++c.total;
        switch (r.collection) {
        case kSetEffect: ++c.set_effect; break;
        case kSetConstant:
        case kSetPeriodic:
        case kSetCondition:
        case kSetRamp: ++c.type_specific; break;
        case kSetEnvelope: ++c.envelope; break;
        case kEffectOperation:
            if (r.selected(kOpStart) || r.selected(kOpStartSolo)) ++c.start;
            if (r.selected(kOpStop)) ++c.stop;
            break;
        default: break;
        }
    }
    return c;
}

std::string DeviceView::kinds(const std::vector<VWheelLogEntry>& reports) const {
    std::string out;
    for (const vwheel::PidReport& r : decoder_.decode_all(reports)) {
        const char* name = "other";
        for (const Kind& k : kKinds)
            if (k.collection == r.collection) name = k.name;
        out += (out.empty() ? "" : ", ") + std::string(name);
    }
    return out;
}

std::vector<uint8_t> DeviceView::input_with_x(LONG x) const {
    const ULONG length = hid_.caps().InputReportByteLength;
    std::vector<uint8_t> report(length);
    char* bytes = reinterpret_cast<char*>(report.data());
    HidP_InitializeReportForID(HidP_Input, VWHEEL_INPUT_CONTROLS_ID, hid_.preparsed(), bytes, length);
    HidP_SetUsageValue(HidP_Input, vwheel::kGenericPage, 0, kGenericX, static_cast<ULONG>(x), hid_.preparsed(), bytes,
                       length);
    return report;
}

bool DeviceView::x_range(LONG* min, LONG* max) const {
    HIDP_VALUE_CAPS caps[1];
    USHORT count = 1;
    if (HidP_GetSpecificValueCaps(HidP_Input, vwheel::kGenericPage, 0, kGenericX, caps, &count, hid_.preparsed()) !=
            HIDP_STATUS_SUCCESS ||
        count < 1)
        return false;
    *min = caps[0].LogicalMin;
    *max = caps[0].LogicalMax;
    return true;
}

std::string enumerated_guid(const vwheel::Variant& variant) {
    std::vector<char> buffer(16384);
    if (dib_enumerate(buffer.data(), static_cast<int32_t>(buffer.size())) < 2) return "";
    const std::string list = buffer.data();
    const size_t at = list.find("\"pid\":" + std::to_string(variant.product_id) + ",");
    if (at == std::string::npos) return "";
    const std::string key = "{\"guid\":\"";
    const size_t guid = list.rfind(key, at);
    return guid == std::string::npos ? "" : list.substr(guid + key.size(), 38);
}

}  // namespace bench
