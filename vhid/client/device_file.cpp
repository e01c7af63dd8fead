#include "device_file.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../device_config.h"

namespace vwheel {

namespace {

std::string trim(const std::string &s)
{
    size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

bool parse_number(const std::string &text, unsigned long max, unsigned long *value)
{
    char *end = nullptr;
    if (text.empty() || text[0] == '-') return false;
    *value = std::strtoul(text.c_str(), &end, 0);
    return *end == 0 && *value <= max;
}

// usbhid-dump starts each dump with a line like "001:004:000:DESCRIPTOR 1357.9".
bool is_dump_header(const std::string &line)
{
    return line.find(":DESCRIPTOR") != std::string::npos && std::isdigit(static_cast<unsigned char>(line[0]));
}

bool all_hex(const std::string &word)
{
    if (word.empty()) return false;
    for (char c : word)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// Appends the bytes of words of hex digits, two digits a byte in the order
// written (xxd groups them in twos or fours); `pairs_only` takes single
// bytes alone. False and the word when one is not that.
bool parse_words(const std::string &text, bool pairs_only, std::vector<uint8_t> *bytes, std::string *bad)
{
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        if (!all_hex(word) || word.size() % 2 || (pairs_only && word.size() != 2)) {
            *bad = word;
            return false;
        }
        for (size_t i = 0; i < word.size(); i += 2)
            bytes->push_back(static_cast<uint8_t>(std::strtoul(word.substr(i, 2).c_str(), nullptr, 16)));
    }
    return true;
}

bool parse_bytes(const std::string &line, std::vector<uint8_t> *bytes, std::string *bad)
{
    std::string spaced = line;
    for (char &c : spaced)
        if (c == ',') c = ' ';
    std::istringstream words(spaced);
    std::string word, hex;
    while (words >> word) {
        bool prefixed = word.size() == 4 && (word.rfind("0x", 0) == 0 || word.rfind("0X", 0) == 0);
        hex += " " + (prefixed ? word.substr(2) : word);
    }
    return parse_words(hex, true, bytes, bad);
}

// A hex dump's line starts with its offset: "000010 " (od -Ax), "00000010  "
// (hexdump -C), "00000010: " (xxd). Plain lines have two digits a word.
bool has_offset(const std::string &line, std::string *offset)
{
    *offset = line.substr(0, line.find_first_of(" \t"));
    std::string digits = *offset;
    if (!digits.empty() && digits.back() == ':') digits.pop_back();
    return digits.size() >= 6 && digits.size() <= 16 && all_hex(digits);
}

// One line of a dump with offsets; the offsets and the text column are not
// read, the bytes are.
bool parse_offset_line(const std::string &line, const std::string &offset, std::vector<uint8_t> *bytes,
                       std::string *error)
{
    std::string rest = line.substr(offset.size());
    bool xxd = offset.back() == ':';
    // xxd ends the bytes with two spaces, hexdump -C starts the text with
    // "|", od's z format with ">".
    size_t text = xxd ? rest.find("  ", rest.find_first_not_of(' ')) : rest.find_first_of("|>");
    if (text != std::string::npos) rest = rest.substr(0, text);
    std::string bad;
    if (parse_words(rest, !xxd, bytes, &bad)) return true;
    if (bad.size() == 4 && all_hex(bad))
        *error = "\"" + bad + "\" is a 16-bit word, in the byte order of the machine that dumped it; "
                 "dump single bytes instead: hexdump -C, od -Ax -tx1 or xxd";
    else
        *error = "\"" + bad + "\" is not a byte in hexadecimal (two digits, like 0a)";
    return false;
}

// hid-recorder's and hid-decode's "R: <length> <bytes>": the descriptor.
bool parse_report_line(const std::string &line, std::vector<uint8_t> *bytes, std::string *error)
{
    std::istringstream words(line.substr(2));
    std::string length, rest, bad;
    words >> length;
    std::getline(words, rest);
    if (length.empty() || length.find_first_not_of("0123456789") != std::string::npos) {
        *error = "R: needs the descriptor's length in bytes, then its bytes";
        return false;
    }
    size_t before = bytes->size();
    if (!parse_words(rest, true, bytes, &bad)) {
        *error = "\"" + bad + "\" is not a byte in hexadecimal (two digits, like 0a)";
        return false;
    }
    if (bytes->size() - before == std::strtoul(length.c_str(), nullptr, 10)) return true;
    *error = "R: says " + length + " bytes, and " + std::to_string(bytes->size() - before) + " follow";
    return false;
}

// One line after "descriptor", as usbhid-dump, hid-decode (hid-recorder's
// format), xxd, hexdump -C or od print it, or plain hex pairs.
bool parse_descriptor_line(const std::string &line, std::vector<uint8_t> *bytes, bool *seen_report_line,
                           std::string *error)
{
    if (is_dump_header(line)) return true;
    if (line.size() >= 2 && line[1] == ':' && std::isupper(static_cast<unsigned char>(line[0]))) {
        // Besides R:, hid-recorder writes N: the name, I: bus and ids, P: the
        // path, D: the device and E: input reports, none of them descriptor.
        if (line[0] != 'R') {
            if (std::string("NIPDE").find(line[0]) != std::string::npos) return true;
            *error = "\"" + line.substr(0, 2) + "\" starts no line of hid-decode's (R: the descriptor, N:, I:, P:, D:, E:)";
            return false;
        }
        if (*seen_report_line) {
            *error = "a second descriptor (R:): give one device's";
            return false;
        }
        *seen_report_line = true;
        return parse_report_line(line, bytes, error);
    }
    if (line == "*") {
        *error = "\"*\" stands for lines the dump left out as repeats of the line before; dump again with -v "
                 "(hexdump -v -C, od -v -Ax -tx1)";
        return false;
    }
    std::string offset, bad;
    if (has_offset(line, &offset)) return parse_offset_line(line, offset, bytes, error);
    if (parse_bytes(line, bytes, &bad)) return true;
    *error = "\"" + bad + "\" is not a byte in hexadecimal (two digits, like 0a)";
    return false;
}

std::string at_line(int line, const std::string &what)
{
    return "line " + std::to_string(line) + ": " + what;
}

} // namespace

std::string check_descriptor(const std::vector<uint8_t> &d)
{
    static const unsigned kSizes[] = {0, 1, 2, 4};
    int depth = 0;
    for (size_t i = 0; i < d.size();) {
        uint8_t prefix = d[i];
        // A long item: 0xfe, its data size, its tag, then the data.
        size_t size = prefix == 0xfe ? (i + 1 < d.size() ? d[i + 1] + 2u : 2u) : kSizes[prefix & 3];
        if (i + 1 + size > d.size())
            return "the item at byte " + std::to_string(i) + " runs past the end of the descriptor";
        if ((prefix & 0xfc) == 0xa0) depth++;
        if ((prefix & 0xfc) == 0xc0 && --depth < 0)
            return "byte " + std::to_string(i) + " ends a collection that was never begun";
        i += 1 + size;
    }
    if (depth) return std::to_string(depth) + " collection(s) never ended";
    return "";
}

bool parse_device_file(const std::string &text, DeviceFile *device, std::string *error)
{
    std::istringstream lines(text);
    std::string raw;
    bool in_descriptor = false, have_vid = false, have_pid = false, seen_report_line = false;
    int number = 0;
    *device = DeviceFile();
    while (std::getline(lines, raw)) {
        number++;
        std::string line = trim(raw.substr(0, raw.find('#')));
        if (line.empty()) continue;
        if (in_descriptor) {
            std::string why;
            if (!parse_descriptor_line(line, &device->descriptor, &seen_report_line, &why)) {
                *error = at_line(number, why);
                return false;
            }
            continue;
        }
        size_t space = line.find_first_of(" \t");
        std::string key = line.substr(0, space);
        std::string value = space == std::string::npos ? "" : trim(line.substr(space));
        unsigned long number_value = 0;
        if (key == "descriptor" && value.empty()) {
            in_descriptor = true;
        } else if (key == "vid" || key == "pid") {
            if (!parse_number(value, 0xffff, &number_value)) {
                *error = at_line(number, key + " needs a number from 0 to 0xffff");
                return false;
            }
            (key == "vid" ? device->vendor_id : device->product_id) = static_cast<uint16_t>(number_value);
            (key == "vid" ? have_vid : have_pid) = true;
        } else if (key == "name") {
            if (value.empty() || value.size() > VWHEEL_MAX_PRODUCT) {
                *error = at_line(number, "name needs 1 to " + std::to_string(VWHEEL_MAX_PRODUCT) + " characters");
                return false;
            }
            device->name = value;
        } else if (key == "kind") {
            if (value != "wheel" && value != "stick" && value != "gamepad" && value != "pedals" && value != "other") {
                *error = at_line(number, "kind is one of wheel, stick, gamepad, pedals, other");
                return false;
            }
            device->kind = value;
        } else if (key == "blocks") {
            if (!parse_number(value, 40, &number_value) || number_value < 1) {
                *error = at_line(number, "blocks needs a number from 1 to 40");
                return false;
            }
            device->blocks = static_cast<unsigned>(number_value);
        } else {
            *error = at_line(number, "unknown field \"" + key + "\" (vid, pid, name, kind, blocks, descriptor)");
            return false;
        }
    }
    if (!have_vid || !have_pid || device->name.empty()) {
        *error = std::string("missing ") + (!have_vid ? "vid" : !have_pid ? "pid" : "name");
        return false;
    }
    if (!in_descriptor || device->descriptor.empty()) {
        *error = "missing the descriptor: a line \"descriptor\" followed by its bytes";
        return false;
    }
    if (device->descriptor.size() > VWHEEL_MAX_DESCRIPTOR) {
        *error = "the descriptor has more than " + std::to_string(VWHEEL_MAX_DESCRIPTOR) + " bytes";
        return false;
    }
    std::string malformed = check_descriptor(device->descriptor);
    if (!malformed.empty()) {
        *error = "descriptor: " + malformed;
        return false;
    }
    return true;
}

bool read_device_file(const std::string &path, DeviceFile *device, std::string *error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (parse_device_file(text.str(), device, error)) return true;
    *error = path + ": " + *error;
    return false;
}

std::string device_name_of(const std::string &path)
{
    size_t slash = path.find_last_of("/\\");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    name = name.substr(0, name.rfind('.'));
    if (name.empty() || name.size() > VWHEEL_MAX_NAME) return "";
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') return "";
    return name;
}

} // namespace vwheel
