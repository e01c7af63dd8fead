#include "devices/autocenter.h"

namespace gantrel {
namespace {

DIPROPDWORD device_dword(DWORD data) {
    DIPROPDWORD property = {};
    property.diph.dwSize = sizeof(DIPROPDWORD);
    property.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    property.diph.dwObj = 0;
    property.diph.dwHow = DIPH_DEVICE;
    property.dwData = data;
    return property;
}

}  // namespace

HRESULT read_autocenter(IDirectInputDevice8A* device, int32_t& value) {
    DIPROPDWORD property = device_dword(0);
    const HRESULT hr = device->GetProperty(DIPROP_AUTOCENTER, &property.diph);
    if (SUCCEEDED(hr)) value = static_cast<int32_t>(property.dwData);
    return hr;
}

HRESULT write_autocenter(IDirectInputDevice8A* device, int32_t value) {
    DIPROPDWORD property = device_dword(static_cast<DWORD>(value));
    return device->SetProperty(DIPROP_AUTOCENTER, &property.diph);
}

}  // namespace gantrel
