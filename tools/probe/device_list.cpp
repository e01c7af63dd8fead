#include "device_list.h"

#include "gantrel.h"
#include "probe_errors.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace probe {

namespace {

// Names are ANSI bytes, not UTF-8: carry bytes above 0x7F through the JSON
// parser as \u00XX and turn them back into single bytes afterwards.
std::string escape_high_bytes(const std::string &text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04X", c);
            out += esc;
        }
    }
    return out;
}

std::string bytes_from_latin1_utf8(const std::string &utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); i++) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC0 && c <= 0xC3 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string pad(const std::string &text, size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string join(const std::vector<std::string> &parts, const char *separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); i++) out += (i ? separator : "") + parts[i];
    return out;
}

}  // namespace

std::string enumerate_text() {
    std::vector<char> buffer(16 * 1024);
    for (;;) {
        const int32_t n = dib_enumerate(buffer.data(), static_cast<int32_t>(buffer.size()));
        if (n >= 0) return std::string(buffer.data(), static_cast<size_t>(n));
        // Our buffer is always valid, so -2 can only mean "too small".
        if (n != DIB_E_BADARG || buffer.size() >= 16 * 1024 * 1024) throw library_failure("dib_enumerate", n);
        buffer.resize(buffer.size() * 4);
    }
}

std::vector<DeviceEntry> parse_device_list(const std::string &text) {
    std::vector<DeviceEntry> out;
    try {
        const nlohmann::json list = nlohmann::json::parse(escape_high_bytes(text));
        for (const nlohmann::json &d : list) {
            DeviceEntry e;
            e.guid = d.at("guid").get<std::string>();
            e.name = bytes_from_latin1_utf8(d.at("name").get<std::string>());
            e.vid = d.at("vid").get<unsigned>();
            e.pid = d.at("pid").get<unsigned>();
            e.ff_axes = d.at("ff_axes").get<int>();
            e.buttons = d.at("buttons").get<int>();
            e.povs = d.at("povs").get<int>();
            e.sample_period_us = d.at("sample_period_us").get<unsigned long>();
            e.effects = d.at("effects").get<std::vector<std::string>>();
            out.push_back(e);
        }
    } catch (const nlohmann::json::exception &ex) {
        throw ProbeError(kExitLibraryBase, std::string("the library's device list is not readable: ") + ex.what());
    }
    return out;
}

std::string device_table(const std::vector<DeviceEntry> &devices, const std::vector<std::string> &ff_axes_text) {
    std::vector<std::vector<std::string>> rows = {
        {"#", "GUID", "Name", "VID:PID", "FF axes", "Buttons", "POVs", "Period", "Effects"}};
    for (size_t i = 0; i < devices.size(); i++) {
        const DeviceEntry &d = devices[i];
        const std::string ids = vid_pid_text(d);
        rows.push_back({std::to_string(i), d.guid, d.name, ids,
                        i < ff_axes_text.size() ? ff_axes_text[i] : std::to_string(d.ff_axes),
                        std::to_string(d.buttons), std::to_string(d.povs),
                        std::to_string(d.sample_period_us) + " us", join(d.effects, " ")});
    }
    std::vector<size_t> width(rows[0].size(), 0);
    for (const auto &row : rows)
        for (size_t c = 0; c < row.size(); c++) width[c] = std::max(width[c], row[c].size());
    std::string out;
    for (const auto &row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); c++) line += c + 1 < row.size() ? pad(row[c], width[c] + 2) : row[c];
        line.erase(line.find_last_not_of(' ') + 1);
        out += line + "\n";
    }
    return out;
}

std::string vid_pid_text(const DeviceEntry &device) {
    char ids[24];
    std::snprintf(ids, sizeof ids, "0x%04X:0x%04X", device.vid & 0xFFFFu, device.pid & 0xFFFFu);
    return ids;
}

int find_again(const std::vector<DeviceEntry> &devices, const std::string &guid, const DeviceEntry &was,
               const std::vector<std::string> &listed_when_gone) {
    for (size_t i = 0; i < devices.size(); i++)
        if (devices[i].guid == guid) return static_cast<int>(i);
    for (size_t i = 0; i < devices.size(); i++)
        if (devices[i].vid == was.vid && devices[i].pid == was.pid && devices[i].name == was.name &&
            std::find(listed_when_gone.begin(), listed_when_gone.end(), devices[i].guid) == listed_when_gone.end())
            return static_cast<int>(i);
    return -1;
}

std::string DeviceChoice::label() const { return index >= 0 ? "device " + std::to_string(index) : guid; }

namespace {

std::string upper(std::string text) {
    for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string attached_text(size_t listed, size_t unlisted) {
    std::string text = listed == 0 ? "no force-feedback controller is attached"
                                   : std::to_string(listed) + " force-feedback controller(s) attached, numbered 0 to " +
                                         std::to_string(listed - 1);
    if (unlisted == 0) return text;
    const std::string last = std::to_string(listed + unlisted - 1);
    return text + ", and " + std::to_string(unlisted) + " game controller(s) without force feedback, numbered " +
           std::to_string(listed) + (unlisted > 1 ? " to " + last : "") + " (gantrel-probe list --all)";
}

DeviceChoice choose_device(const std::string &wanted, const std::vector<DeviceEntry> &devices,
                           const std::vector<GameController> &unlisted) {
    DeviceChoice choice;
    if (!wanted.empty() && wanted[0] == '{') {
        choice.guid = wanted;
        for (const GameController &c : unlisted)
            if (upper(c.entry.guid) == upper(wanted)) {
                choice.unlisted = &c;
                choice.guid = c.entry.guid;
            }
        for (const DeviceEntry &d : devices)
            if (upper(d.guid) == upper(wanted)) {
                choice.entry = &d;
                choice.unlisted = nullptr;
                choice.guid = d.guid;
            }
        return choice;
    }
    const bool digits = !wanted.empty() && wanted.size() < 6 &&
                        std::all_of(wanted.begin(), wanted.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits)
        throw usage_error("\"" + wanted + "\" is not a device: give its number from gantrel-probe list, or its GUID");
    const size_t index = std::stoul(wanted);
    if (index >= devices.size() + unlisted.size())
        throw ProbeError(kExitNoDevice, "there is no device " + wanted + ": " + attached_text(devices.size(), unlisted.size()));
    choice.index = static_cast<int>(index);
    if (index < devices.size()) {
        choice.entry = &devices[index];
        choice.guid = devices[index].guid;
    } else {
        choice.unlisted = &unlisted[index - devices.size()];
        choice.guid = choice.unlisted->entry.guid;
    }
    return choice;
}

}  // namespace probe
