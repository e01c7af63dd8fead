// Which of Wine's ways to a controller its HID descriptor came by, told by
// the descriptor's shape. For a device it reads through SDL or through evdev
// (its udev input backend), Wine's winebus.sys builds a descriptor of its
// own: every axis a 32-bit field in a collection of its own, force feedback
// without the device's effect memory (no PID feature report), a top-level
// Joystick from SDL and Game Pad from evdev. A hidraw device shows its own.
#pragma once
#include <windows.h>

// mingw-w64's HID headers lack C linkage declarations of their own.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <string>

namespace probe {

struct WinePath {
    std::string name;  // "SDL", "udev input", "hidraw", or "" when nothing could be read
    std::string why;   // what in the descriptor shows it, one clause
};

// From the device's preparsed HID data.
WinePath wine_path_of(PHIDP_PREPARSED_DATA preparsed);
// From a controller's GUID (the library's text), through DirectInput's device
// path; "" outside Wine, where a descriptor is always the device's own, with
// the simulated DirectInput, and when the path or descriptor cannot be read.
WinePath wine_path_of_device(const std::string &guid);

}  // namespace probe
