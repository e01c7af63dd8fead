#include "vwheel_client.h"

#include <setupapi.h>

namespace vwheel {

const Variant kWheel = {L"wheel", 0x1209, 0x5701, "Gantrel Virtual Wheel"};
const Variant kStick = {L"stick", 0x1209, 0x5702, "Gantrel Virtual Stick"};
const Variant kMulti = {L"multi", 0x1209, 0x5703, "Gantrel Virtual Multi-Axis Stick"};

ControlChannel::ControlChannel(const Variant &variant)
{
    std::wstring path = std::wstring(VWHEEL_CONTROL_PREFIX_W) + variant.name;
    handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
}

ControlChannel::~ControlChannel()
{
    if (is_open()) CloseHandle(handle_);
}

bool ControlChannel::call(DWORD code, const void *in, DWORD in_size, void *out, DWORD out_size, DWORD *written)
{
    DWORD ignored = 0;
    return DeviceIoControl(handle_, code, const_cast<void *>(in), in_size, out, out_size,
                           written ? written : &ignored, nullptr);
}

bool ControlChannel::push_input(const std::vector<uint8_t> &report)
{
    return call(VWHEEL_IOCTL_PUSH_INPUT, report.data(), static_cast<DWORD>(report.size()), nullptr, 0, nullptr);
}

std::vector<VWheelLogEntry> ControlChannel::take_log()
{
    std::vector<VWheelLogEntry> all;
    std::vector<VWheelLogEntry> chunk(64);
    for (;;) {
        DWORD written = 0;
        if (!call(VWHEEL_IOCTL_TAKE_LOG, nullptr, 0, chunk.data(),
                  static_cast<DWORD>(chunk.size() * sizeof(VWheelLogEntry)), &written))
            break;
        size_t n = written / sizeof(VWheelLogEntry);
        all.insert(all.end(), chunk.begin(), chunk.begin() + n);
        if (n < chunk.size()) break;
    }
    return all;
}

bool ControlChannel::plan_block_load(unsigned status, unsigned count)
{
    VWheelBlockLoadPlan plan = {status, count};
    return call(VWHEEL_IOCTL_PLAN_BLOCK_LOAD, &plan, sizeof(plan), nullptr, 0, nullptr);
}

VWheelState ControlChannel::state()
{
    VWheelState s = {};
    call(VWHEEL_IOCTL_GET_STATE, nullptr, 0, &s, sizeof(s), nullptr);
    return s;
}

bool ControlChannel::reset()
{
    return call(VWHEEL_IOCTL_RESET, nullptr, 0, nullptr, 0, nullptr);
}

HidInterface::HidInterface(const Variant &variant)
{
    GUID hid_guid;
    HidD_GetHidGuid(&hid_guid);
    HDEVINFO set = SetupDiGetClassDevsW(&hid_guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return;
    SP_DEVICE_INTERFACE_DATA iface = {};
    iface.cbSize = sizeof(iface);
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hid_guid, i, &iface); i++) {
        union {
            SP_DEVICE_INTERFACE_DETAIL_DATA_W detail;
            wchar_t raw[MAX_PATH + 8];
        } buffer;
        buffer.detail.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &iface, &buffer.detail, sizeof(buffer), nullptr, nullptr))
            continue;
        HANDLE h = CreateFileW(buffer.detail.DevicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        HIDD_ATTRIBUTES attributes = {};
        attributes.Size = sizeof(attributes);
        if (HidD_GetAttributes(h, &attributes) && attributes.VendorID == variant.vendor_id &&
            attributes.ProductID == variant.product_id && HidD_GetPreparsedData(h, &preparsed_)) {
            handle_ = h;
            path_ = buffer.detail.DevicePath;
            HidP_GetCaps(preparsed_, &caps_);
            break;
        }
        CloseHandle(h);
    }
    SetupDiDestroyDeviceInfoList(set);
}

HidInterface::~HidInterface()
{
    if (preparsed_) HidD_FreePreparsedData(preparsed_);
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

} // namespace vwheel
