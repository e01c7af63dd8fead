#include "zoo_input.h"

namespace zoo {

InputMover::InputMover(PHIDP_PREPARSED_DATA preparsed) : preparsed_(preparsed)
{
    if (preparsed_) HidP_GetCaps(preparsed_, &caps_);
}

bool InputMover::value_caps(USAGE page, USAGE usage, HIDP_VALUE_CAPS *caps) const
{
    USHORT n = 1;
    return preparsed_ &&
           HidP_GetSpecificValueCaps(HidP_Input, page, 0, usage, caps, &n, preparsed_) == HIDP_STATUS_SUCCESS && n;
}

std::vector<char> &InputMover::report(UCHAR id)
{
    auto it = reports_.find(id);
    if (it != reports_.end()) return it->second;
    std::vector<char> &bytes = reports_[id];
    bytes.assign(caps_.InputReportByteLength, 0);
    HidP_InitializeReportForID(HidP_Input, id, preparsed_, bytes.data(), caps_.InputReportByteLength);
    return bytes;
}

bool InputMover::set_extreme(USAGE page, USAGE usage, bool high)
{
    HIDP_VALUE_CAPS caps;
    if (!value_caps(page, usage, &caps)) return false;
    // A range of 0..-1 (a maximum that did not fit its signed item) spans the whole field.
    LONG low = caps.LogicalMin, top = caps.LogicalMax;
    if (top <= low) {
        low = 0;
        top = caps.BitSize >= 32 ? 0x7fffffff : static_cast<LONG>((1ul << caps.BitSize) - 1);
    }
    std::vector<char> &bytes = report(caps.ReportID);
    return HidP_SetUsageValue(HidP_Input, page, 0, usage, static_cast<ULONG>(high ? top : low), preparsed_,
                              bytes.data(), caps_.InputReportByteLength) == HIDP_STATUS_SUCCESS;
}

bool InputMover::set_hat(USAGE page, USAGE usage, int direction)
{
    HIDP_VALUE_CAPS caps;
    if (!value_caps(page, usage, &caps)) return false;
    LONG positions = caps.LogicalMax - caps.LogicalMin + 1;
    LONG value = direction < 0 ? caps.LogicalMax + 1 : caps.LogicalMin + direction * positions / 8;
    std::vector<char> &bytes = report(caps.ReportID);
    return HidP_SetUsageValue(HidP_Input, page, 0, usage, static_cast<ULONG>(value), preparsed_, bytes.data(),
                              caps_.InputReportByteLength) == HIDP_STATUS_SUCCESS;
}

bool InputMover::press(USAGE page, USAGE usage)
{
    HIDP_BUTTON_CAPS caps;
    USHORT n = 1;
    if (!preparsed_ ||
        HidP_GetSpecificButtonCaps(HidP_Input, page, 0, usage, &caps, &n, preparsed_) != HIDP_STATUS_SUCCESS || !n)
        return false;
    std::vector<char> &bytes = report(caps.ReportID);
    ULONG count = 1;
    return HidP_SetUsages(HidP_Input, page, 0, &usage, &count, preparsed_, bytes.data(),
                          caps_.InputReportByteLength) == HIDP_STATUS_SUCCESS;
}

bool InputMover::push(vwheel::ControlChannel &control) const
{
    bool ok = true;
    for (const auto &entry : reports_)
        ok = control.push_input(std::vector<uint8_t>(entry.second.begin(), entry.second.end())) && ok;
    return ok;
}

} // namespace zoo
