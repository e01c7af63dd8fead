// device_file.h - a virtual device described in text, so any HID report
// descriptor becomes a device without rebuilding the driver:
//
//   # comments, anywhere on a line
//   vid 0x1209
//   pid 0x5701
//   name Some Wheel            (the HID product string)
//   kind wheel                 (optional: wheel, stick, gamepad, pedals, other)
//   blocks 16                  (optional: effect blocks the firmware holds, 1..40)
//   descriptor
//   05 01 09 04 a1 01 ...      (hex pairs, white space or commas between them;
//                               0x prefixes and usbhid-dump's header line are fine)
//
// The descriptor may also be a dump as the usual tools print it: hid-decode
// and hid-recorder ("R: <length> <bytes>", their other lines skipped), or a
// hex dump with offsets from xxd, hexdump -C or od -Ax -tx1 (offsets and the
// text column skipped; 16-bit words and "*" for repeated lines refused).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vwheel {

struct DeviceFile {
    std::string name; // product string
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    std::string kind = "other";
    unsigned blocks = 0; // 0: as many as the descriptor's block index allows
    std::vector<uint8_t> descriptor;
};

// Parses the text; on failure returns false and says why, with the line.
bool parse_device_file(const std::string &text, DeviceFile *device, std::string *error);
// Reads and parses a file; the error names the file.
bool read_device_file(const std::string &path, DeviceFile *device, std::string *error);
// Checks that every item of a report descriptor is complete and that its
// collections are balanced; "" when it is well formed, else why not.
std::string check_descriptor(const std::vector<uint8_t> &descriptor);
// The device's name for the driver and its control channel: the file name
// without folder and extension, e.g. "wheel" for devices/wheel.vhid.
std::string device_name_of(const std::string &path);

} // namespace vwheel
