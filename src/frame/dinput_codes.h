#pragma once
#include <windows.h>

// DirectInput result codes as signed HRESULTs (mingw's headers spell some of
// them as unsigned constants, which do not compare cleanly with HRESULT).
namespace gantrel::dierr {

constexpr HRESULT kOtherAppHasPrio = static_cast<HRESULT>(0x80070005);   // E_ACCESSDENIED
constexpr HRESULT kNotAcquired = static_cast<HRESULT>(0x8007000C);
constexpr HRESULT kInputLost = static_cast<HRESULT>(0x8007001E);
constexpr HRESULT kNotExclusiveAcquired = static_cast<HRESULT>(0x80040205);
constexpr HRESULT kDeviceFull = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kEffectPlaying = static_cast<HRESULT>(0x80040208);
constexpr HRESULT kUnsupported = static_cast<HRESULT>(0x80004001);       // E_NOTIMPL

}  // namespace gantrel::dierr
