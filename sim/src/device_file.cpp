#include "device_file.h"

#include "builtin_devices.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace gsim {

namespace {

using nlohmann::json;

// Thrown with the path of the offending value and what is wrong with it.
struct BadValue {
    std::string where;
    std::string what;
};

[[noreturn]] void fail(const std::string &where, const std::string &what) { throw BadValue{where, what}; }

void only_keys(const json &obj, const std::string &where, std::initializer_list<const char *> keys) {
    std::set<std::string> allowed(keys.begin(), keys.end());
    for (auto it = obj.begin(); it != obj.end(); ++it)
        if (!allowed.count(it.key())) fail(where, "unknown key \"" + it.key() + "\"");
}

long long integer(const json &v, const std::string &where, long long lo, long long hi) {
    long long n;
    if (v.is_number_integer()) {
        n = v.get<long long>();
    } else if (v.is_string() && v.get<std::string>().rfind("0x", 0) == 0) {
        const std::string s = v.get<std::string>();
        char *end = nullptr;
        n = std::strtoll(s.c_str() + 2, &end, 16);
        if (s.size() == 2 || *end) fail(where, "\"" + s + "\" is not a hexadecimal number");
    } else {
        fail(where, "expected an integer (or a \"0x...\" string)");
    }
    if (n < lo || n > hi) fail(where, std::to_string(n) + " is out of range " + std::to_string(lo) + ".." + std::to_string(hi));
    return n;
}

DWORD dword(const json &v, const std::string &where) {
    return static_cast<DWORD>(integer(v, where, 0, 0xFFFFFFFFLL));
}

LONG long_value(const json &v, const std::string &where) {
    return static_cast<LONG>(integer(v, where, -2147483648LL, 2147483647LL));
}

bool boolean(const json &v, const std::string &where) {
    if (!v.is_boolean()) fail(where, "expected true or false");
    return v.get<bool>();
}

// JSON strings are Unicode; a name is raw ANSI bytes. Code points
// U+0001..U+00FF stand for the bytes 0x01..0xFF.
void ansi_bytes(const json &v, const std::string &where, char *out, size_t room) {
    if (!v.is_string()) fail(where, "expected a string");
    const std::string &s = v.get_ref<const std::string &>();
    size_t n = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned cp;
        if (c < 0x80) {
            cp = c;
            i += 1;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < s.size()) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
            i += 2;
        } else {
            cp = 0x100;  // three- and four-byte sequences are all above U+00FF
            i += (c & 0xF0) == 0xE0 ? 3 : 4;
        }
        if (cp == 0) fail(where, "contains a NUL character");
        if (cp > 0xFF) fail(where, "has a character above U+00FF; write byte 0xNN as \\u00NN");
        if (n + 1 >= room) fail(where, "is longer than " + std::to_string(room - 1) + " bytes");
        out[n++] = static_cast<char>(cp);
    }
    out[n] = 0;
}

GUID guid_value(const json &v, const std::string &where) {
    if (!v.is_string()) fail(where, "expected a GUID string like \"{01234567-89AB-CDEF-0123-456789ABCDEF}\"");
    std::string s = v.get<std::string>();
    if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
    static const int groups[] = {8, 4, 4, 4, 12};
    std::string hex;
    size_t pos = 0;
    bool ok = s.size() == 36;
    for (int g = 0; ok && g < 5; g++) {
        for (int k = 0; k < groups[g]; k++, pos++)
            if (!isxdigit(static_cast<unsigned char>(s[pos]))) ok = false;
        if (ok && g < 4 && s[pos++] != '-') ok = false;
    }
    if (!ok) fail(where, "\"" + v.get<std::string>() + "\" is not a GUID like \"{01234567-89AB-CDEF-0123-456789ABCDEF}\"");
    GUID g{};
    auto part = [&](size_t at, size_t len) { return std::stoull(s.substr(at, len), nullptr, 16); };
    g.Data1 = static_cast<unsigned long>(part(0, 8));
    g.Data2 = static_cast<unsigned short>(part(9, 4));
    g.Data3 = static_cast<unsigned short>(part(14, 4));
    g.Data4[0] = static_cast<unsigned char>(part(19, 2));
    g.Data4[1] = static_cast<unsigned char>(part(21, 2));
    for (int i = 0; i < 6; i++) g.Data4[2 + i] = static_cast<unsigned char>(part(24 + 2 * i, 2));
    return g;
}

struct Named {
    const char *name;
    const GUID *guid;
    DWORD ofs;
};

const Named kAxes[] = {{"x", &GUID_XAxis, DIJOFS_X},    {"y", &GUID_YAxis, DIJOFS_Y},
                       {"z", &GUID_ZAxis, DIJOFS_Z},    {"rx", &GUID_RxAxis, DIJOFS_RX},
                       {"ry", &GUID_RyAxis, DIJOFS_RY}, {"rz", &GUID_RzAxis, DIJOFS_RZ},
                       {"slider", &GUID_Slider, 0}};

const Named kEffects[] = {{"constant", &GUID_ConstantForce, 0}, {"ramp", &GUID_RampForce, 0},
                          {"square", &GUID_Square, 0},          {"sine", &GUID_Sine, 0},
                          {"triangle", &GUID_Triangle, 0},      {"sawtoothup", &GUID_SawtoothUp, 0},
                          {"sawtoothdown", &GUID_SawtoothDown, 0}, {"spring", &GUID_Spring, 0},
                          {"damper", &GUID_Damper, 0},          {"inertia", &GUID_Inertia, 0},
                          {"friction", &GUID_Friction, 0},      {"custom", &GUID_CustomForce, 0}};

struct Flag {
    const char *name;
    DWORD bit;
};

const Flag kParamGroups[] = {{"duration", DIEP_DURATION},     {"sampleperiod", DIEP_SAMPLEPERIOD},
                             {"gain", DIEP_GAIN},             {"triggerbutton", DIEP_TRIGGERBUTTON},
                             {"triggerrepeatinterval", DIEP_TRIGGERREPEATINTERVAL},
                             {"axes", DIEP_AXES},             {"direction", DIEP_DIRECTION},
                             {"envelope", DIEP_ENVELOPE},     {"typespecificparams", DIEP_TYPESPECIFICPARAMS},
                             {"startdelay", DIEP_STARTDELAY}};

struct TypeName {
    const char *name;
    DWORD type;
    DWORD subtype;
};

const TypeName kTypes[] = {{"joystick", DI8DEVTYPE_JOYSTICK, DI8DEVTYPEJOYSTICK_STANDARD},
                           {"gamepad", DI8DEVTYPE_GAMEPAD, DI8DEVTYPEGAMEPAD_STANDARD},
                           {"driving", DI8DEVTYPE_DRIVING, DI8DEVTYPEDRIVING_DUALPEDALS},
                           {"flight", DI8DEVTYPE_FLIGHT, DI8DEVTYPEFLIGHT_STICK},
                           {"1stperson", DI8DEVTYPE_1STPERSON, DI8DEVTYPE1STPERSON_UNKNOWN},
                           {"supplemental", DI8DEVTYPE_SUPPLEMENTAL, DI8DEVTYPESUPPLEMENTAL_UNKNOWN},
                           {"device", DI8DEVTYPE_DEVICE, 0}};

void read_object(const json &o, const std::string &where, DWORD index, int &sliders, GSIM_OBJECT &out) {
    if (!o.is_object()) fail(where, "expected an object");
    only_keys(o, where, {"axis", "actuator", "name", "instance", "guid", "offset", "type", "flags",
                         "logical_min", "logical_max", "usage_page", "usage"});
    bool actuator = o.contains("actuator") ? boolean(o["actuator"], where + ".actuator") : false;
    DWORD instance = o.contains("instance") ? dword(o["instance"], where + ".instance") : index;
    if (o.contains("axis")) {
        if (!o["axis"].is_string()) fail(where + ".axis", "expected a string");
        std::string name = o["axis"].get<std::string>();
        const Named *axis = nullptr;
        for (const Named &a : kAxes)
            if (name == a.name) axis = &a;
        if (!axis) fail(where + ".axis", "unknown axis \"" + name + "\" (expected x, y, z, rx, ry, rz or slider)");
        DWORD ofs = axis->ofs;
        if (axis->guid == &GUID_Slider) {
            if (sliders == 2) fail(where + ".axis", "a device has at most two sliders");
            ofs = DIJOFS_SLIDER(sliders++);
        }
        out = make_axis(*axis->guid, ofs, instance, actuator, name.c_str());
    } else {
        for (const char *k : {"guid", "offset", "type"})
            if (!o.contains(k)) fail(where, std::string("needs \"axis\", or \"guid\", \"offset\" and \"type\" (missing \"") + k + "\")");
        out = GSIM_OBJECT{};
    }
    if (o.contains("name")) ansi_bytes(o["name"], where + ".name", out.name, sizeof(out.name));
    if (o.contains("guid")) out.guidType = guid_value(o["guid"], where + ".guid");
    if (o.contains("offset")) {
        out.dwOfs = dword(o["offset"], where + ".offset");
        if (out.dwOfs + sizeof(LONG) > sizeof(DIJOYSTATE2)) fail(where + ".offset", "lies outside DIJOYSTATE2");
    }
    if (o.contains("type")) out.dwType = dword(o["type"], where + ".type");
    if (o.contains("flags")) out.dwFlags = dword(o["flags"], where + ".flags");
    if (o.contains("usage_page") != o.contains("usage")) fail(where, "give both usage_page and usage");
    if (o.contains("usage_page")) {
        out.usage_page = static_cast<WORD>(integer(o["usage_page"], where + ".usage_page", 1, 0xFFFF));
        out.usage = static_cast<WORD>(integer(o["usage"], where + ".usage", 0, 0xFFFF));
    }
    if (o.contains("logical_min") != o.contains("logical_max")) fail(where, "give both logical_min and logical_max");
    if (o.contains("logical_min")) {
        out.logical_min = long_value(o["logical_min"], where + ".logical_min");
        out.logical_max = long_value(o["logical_max"], where + ".logical_max");
        if (out.logical_min >= out.logical_max) fail(where, "logical_min must be below logical_max");
    }
}

void read_state(const json &s, const std::string &where, GSIM_DEVICE_DESC &d) {
    if (!s.is_object()) fail(where, "expected an object");
    only_keys(s, where, {"x", "y", "z", "rx", "ry", "rz", "sliders", "povs", "buttons"});
    LONG *axes[] = {&d.state.lX, &d.state.lY, &d.state.lZ, &d.state.lRx, &d.state.lRy, &d.state.lRz};
    const char *names[] = {"x", "y", "z", "rx", "ry", "rz"};
    for (int i = 0; i < 6; i++)
        if (s.contains(names[i])) *axes[i] = long_value(s[names[i]], where + "." + names[i]);
    auto array = [&](const char *key, size_t max) -> const json & {
        const json &a = s[key];
        if (!a.is_array() || a.size() > max)
            fail(where + "." + key, "expected an array of at most " + std::to_string(max) + " numbers");
        return a;
    };
    if (s.contains("sliders")) {
        const json &a = array("sliders", 2);
        for (size_t i = 0; i < a.size(); i++) d.state.rglSlider[i] = long_value(a[i], where + ".sliders[" + std::to_string(i) + "]");
    }
    if (s.contains("povs")) {
        const json &a = array("povs", 4);
        for (size_t i = 0; i < a.size(); i++) d.state.rgdwPOV[i] = static_cast<DWORD>(long_value(a[i], where + ".povs[" + std::to_string(i) + "]"));
    }
    if (s.contains("buttons")) {
        const json &a = array("buttons", 128);
        for (size_t i = 0; i < a.size(); i++)
            d.state.rgbButtons[integer(a[i], where + ".buttons[" + std::to_string(i) + "]", 0, 127)] = 0x80;
    }
}

void read_device(const json &j, const std::string &where, size_t index, GSIM_DEVICE_DESC &d) {
    if (!j.is_object()) fail(where, "expected an object");
    only_keys(j, where, {"product_name", "instance_name", "instance_guid", "product_guid", "vid", "pid",
                         "ff_driver_guid", "type", "subtype", "hid", "usage_page", "usage", "force_feedback",
                         "caps_flags", "ff_sample_period", "ff_min_time_resolution", "firmware_revision",
                         "hardware_revision", "ff_driver_version", "buttons", "povs", "objects", "effects",
                         "effect_capacity", "restart_needed", "autocenter", "attached", "state"});
    if (!j.contains("product_name")) fail(where, "needs a \"product_name\"");
    blank_desc(d);
    bool ff = j.contains("force_feedback") && boolean(j["force_feedback"], where + ".force_feedback");

    ansi_bytes(j["product_name"], where + ".product_name", d.product_name, sizeof(d.product_name));
    if (j.contains("instance_name")) ansi_bytes(j["instance_name"], where + ".instance_name", d.instance_name, sizeof(d.instance_name));
    else lstrcpyA(d.instance_name, d.product_name);

    d.instance_guid = {0x5a1e1000u + static_cast<unsigned long>(index), 0, 0x11ee, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0, 0}};
    if (j.contains("instance_guid")) d.instance_guid = guid_value(j["instance_guid"], where + ".instance_guid");
    if (j.contains("product_guid") && (j.contains("vid") || j.contains("pid")))
        fail(where, "give either product_guid or vid/pid, not both");
    WORD vid = j.contains("vid") ? static_cast<WORD>(integer(j["vid"], where + ".vid", 0, 0xFFFF)) : 0x1209;
    WORD pid = j.contains("pid") ? static_cast<WORD>(integer(j["pid"], where + ".pid", 0, 0xFFFF))
                                 : static_cast<WORD>(0x4800 + index);
    d.product_guid = j.contains("product_guid") ? guid_value(j["product_guid"], where + ".product_guid") : pidvid_guid(vid, pid);

    DWORD type = DI8DEVTYPE_JOYSTICK, subtype = DI8DEVTYPEJOYSTICK_STANDARD;
    if (j.contains("type")) {
        const json &t = j["type"];
        if (t.is_string()) {
            const TypeName *found = nullptr;
            for (const TypeName &n : kTypes)
                if (t.get<std::string>() == n.name) found = &n;
            if (!found) fail(where + ".type", "unknown type \"" + t.get<std::string>() + "\" (expected joystick, gamepad, driving, flight, 1stperson, supplemental or device)");
            type = found->type;
            subtype = found->subtype;
        } else {
            type = static_cast<DWORD>(integer(t, where + ".type", 0, 0xFF));
            subtype = 0;
        }
    }
    if (j.contains("subtype")) subtype = static_cast<DWORD>(integer(j["subtype"], where + ".subtype", 0, 0xFF));
    bool hid = j.contains("hid") ? boolean(j["hid"], where + ".hid") : true;
    d.dev_type = type | (subtype << 8) | (hid ? DIDEVTYPE_HID : 0);
    if (type == DI8DEVTYPE_GAMEPAD) d.usage = 0x05;
    if (j.contains("usage_page")) d.usage_page = static_cast<WORD>(integer(j["usage_page"], where + ".usage_page", 0, 0xFFFF));
    if (j.contains("usage")) d.usage = static_cast<WORD>(integer(j["usage"], where + ".usage", 0, 0xFFFF));

    if (ff) {
        d.caps_flags |= DIDC_FORCEFEEDBACK;
        d.ff_sample_period = d.ff_min_time_resolution = 1000;
        d.ff_driver_version = 1;
        d.effect_capacity = 16;
        d.autocenter_readable = d.autocenter_writable = TRUE;
        d.autocenter = DIPROPAUTOCENTER_ON;
        d.ff_driver_guid = {0x5a1effd0, 0x0000, 0x11ee, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
        set_all_standard_effects(d);
    }
    if (j.contains("ff_driver_guid")) d.ff_driver_guid = guid_value(j["ff_driver_guid"], where + ".ff_driver_guid");
    if (j.contains("caps_flags")) d.caps_flags |= dword(j["caps_flags"], where + ".caps_flags");
    struct {
        const char *key;
        DWORD *field;
    } plain[] = {{"ff_sample_period", &d.ff_sample_period}, {"ff_min_time_resolution", &d.ff_min_time_resolution},
                 {"firmware_revision", &d.firmware_revision}, {"hardware_revision", &d.hardware_revision},
                 {"ff_driver_version", &d.ff_driver_version}, {"effect_capacity", &d.effect_capacity}};
    for (auto &p : plain)
        if (j.contains(p.key)) *p.field = dword(j[p.key], where + "." + p.key);
    if (j.contains("buttons")) d.num_buttons = static_cast<DWORD>(integer(j["buttons"], where + ".buttons", 0, GSIM_MAX_BUTTONS));
    if (j.contains("povs")) d.num_povs = static_cast<DWORD>(integer(j["povs"], where + ".povs", 0, GSIM_MAX_POVS));

    if (j.contains("objects")) {
        const json &objs = j["objects"];
        if (!objs.is_array() || objs.size() > GSIM_MAX_OBJECTS)
            fail(where + ".objects", "expected an array of at most " + std::to_string(GSIM_MAX_OBJECTS) + " objects");
        int sliders = 0;
        for (size_t i = 0; i < objs.size(); i++)
            read_object(objs[i], where + ".objects[" + std::to_string(i) + "]", static_cast<DWORD>(i), sliders, d.objects[i]);
        d.num_objects = static_cast<DWORD>(objs.size());
    } else {
        d.objects[0] = make_axis(GUID_XAxis, DIJOFS_X, 0, ff, "X Axis");
        d.objects[1] = make_axis(GUID_YAxis, DIJOFS_Y, 1, ff, "Y Axis");
        d.num_objects = 2;
    }

    if (j.contains("effects")) {
        const json &effects = j["effects"];
        if (!effects.is_array() || effects.size() > GSIM_MAX_DEVICE_EFFECTS)
            fail(where + ".effects", "expected an array of at most " + std::to_string(GSIM_MAX_DEVICE_EFFECTS) + " effects");
        for (size_t i = 0; i < effects.size(); i++) {
            std::string at = where + ".effects[" + std::to_string(i) + "]";
            if (!effects[i].is_string()) fail(at, "expected an effect name or GUID string");
            std::string name = effects[i].get<std::string>();
            const Named *known = nullptr;
            for (const Named &e : kEffects)
                if (name == e.name) known = &e;
            d.effects[i] = known ? *known->guid : guid_value(effects[i], at);
        }
        d.num_effects = static_cast<DWORD>(effects.size());
    }

    if (j.contains("restart_needed")) {
        const json &r = j["restart_needed"];
        if (!r.is_array()) fail(where + ".restart_needed", "expected an array of parameter names");
        for (size_t i = 0; i < r.size(); i++) {
            std::string at = where + ".restart_needed[" + std::to_string(i) + "]";
            if (!r[i].is_string()) fail(at, "expected a parameter name");
            DWORD bit = 0;
            for (const Flag &f : kParamGroups)
                if (r[i].get<std::string>() == f.name) bit = f.bit;
            if (!bit) fail(at, "unknown parameter \"" + r[i].get<std::string>() + "\"");
            d.restart_needed_flags |= bit;
        }
    }

    if (j.contains("autocenter")) {
        const json &a = j["autocenter"];
        std::string at = where + ".autocenter";
        if (a.is_boolean()) {
            d.autocenter = a.get<bool>() ? DIPROPAUTOCENTER_ON : DIPROPAUTOCENTER_OFF;
        } else if (a.is_object()) {
            only_keys(a, at, {"readable", "writable", "on"});
            if (a.contains("readable")) d.autocenter_readable = boolean(a["readable"], at + ".readable");
            if (a.contains("writable")) d.autocenter_writable = boolean(a["writable"], at + ".writable");
            if (a.contains("on")) d.autocenter = boolean(a["on"], at + ".on") ? DIPROPAUTOCENTER_ON : DIPROPAUTOCENTER_OFF;
        } else {
            fail(at, "expected true, false or {\"readable\", \"writable\", \"on\"}");
        }
    }
    if (j.contains("attached")) d.attached = boolean(j["attached"], where + ".attached");
    if (j.contains("state")) read_state(j["state"], where + ".state", d);
}

}  // namespace

bool parse_devices(const std::string &text, const std::string &origin, std::vector<GSIM_DEVICE_DESC> &out,
                   std::string &error) {
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error &e) {
        std::string what = e.what();
        size_t cut = what.find("] ");
        if (cut != std::string::npos) what = what.substr(cut + 2);
        error = origin + ": not valid JSON (byte " + std::to_string(e.byte) + "): " + what;
        return false;
    }
    std::vector<GSIM_DEVICE_DESC> devices;
    try {
        if (!doc.is_object()) fail("top level", "expected an object with a \"devices\" array");
        only_keys(doc, "top level", {"devices"});
        if (!doc.contains("devices") || !doc["devices"].is_array()) fail("top level", "expected a \"devices\" array");
        const json &list = doc["devices"];
        devices.resize(list.size());
        for (size_t i = 0; i < list.size(); i++)
            read_device(list[i], "devices[" + std::to_string(i) + "]", i, devices[i]);
    } catch (const BadValue &e) {
        error = origin + ": " + e.where + ": " + e.what;
        return false;
    } catch (const std::exception &e) {
        error = origin + ": " + e.what();
        return false;
    }
    out = std::move(devices);
    return true;
}

bool load_device_file(const std::string &path, std::vector<GSIM_DEVICE_DESC> &out, std::string &error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the file";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return parse_devices(text.str(), path, out, error);
}

}  // namespace gsim
