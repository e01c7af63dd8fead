#include "poll_view.h"

#include "axis_names.h"

#include <cstdio>
#include <cstdlib>

namespace probe {

namespace {

bool default_map(const AxisMap &map) {
    return map.axis[0] == DIB_AXIS_X && map.axis[1] == DIB_AXIS_Y && !map.flip[0] && !map.flip[1];
}

// The eight values of a report in its order, with their labels.
void values(const InputReport &r, const AxisMap &map, std::string labels[8], int v[8]) {
    const int raw[8] = {r.axis0, r.axis1, r.z, r.rx, r.ry, r.rz, r.slider0, r.slider1};
    const bool plain = default_map(map);
    for (int i = 0; i < 8; i++) {
        v[i] = raw[i];
        if (i >= 2 || plain) {
            labels[i] = axis_label(i);
        } else {
            const int32_t axis = map.axis[i];
            labels[i] = "map" + std::to_string(i) + "=" + (axis < 0 ? "none" : (map.flip[i] ? "-" : "") + std::string(axis_label(axis)));
        }
    }
}

std::string stamp(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%7.2f s  ", seconds);
    return text;
}

}  // namespace

bool hat_shown(unsigned code, int hat, int hats) { return hats >= 0 ? hat < hats : code != 15; }

std::string report_line(double seconds, const InputReport &r, const AxisMap &map, int hats) {
    std::string labels[8];
    int v[8];
    values(r, map, labels, v);
    std::string line = stamp(seconds);
    for (int i = 0; i < 8; i++) {
        char value[16];
        std::snprintf(value, sizeof value, " %5d", v[i]);
        line += (i ? "  " : "") + labels[i] + value;
    }
    line += "  buttons";
    bool any = false;
    for (int b = 0; b < 64; b++) {
        if (!(r.button_mask >> b & 1)) continue;
        line += " " + std::to_string(b);
        any = true;
    }
    if (!any) line += " none";
    std::string hat_text;
    int shown = 0;
    for (int h = 0; h < 4; h++) {
        const unsigned code = (r.pov_codes >> (4 * h)) & 0xF;
        if (!hat_shown(code, h, hats)) continue;
        hat_text += " " + (hats == 1 ? std::string() : std::to_string(h) + ":") + hat_name(code);
        shown++;
    }
    if (shown) line += (hats == 1 ? "  hat" : "  hats") + hat_text;
    return line;
}

std::string input_legend(const AxisMap &map) {
    std::string out = "Axes run from -4096 to 4096. DirectInput's names, and what they usually are:\n";
    for (int32_t code = 0; code < 8; code++) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-3s %-11s %s\n", axis_label(code), axis_directinput_name(code), axis_hint(code));
        out += line;
    }
    out += "Buttons: the pressed ones, numbered from 0. Hat: the compass point it is pressed toward\n"
           "(N, NE, E, ... NW), - when centred.\n";
    if (!default_map(map))
        out += "map0, map1: the library's mapped axes 0 and 1 (the axes effects act on), here " + map_text(map) +
               "; -X is X reversed.\n";
    return out;
}

std::vector<std::string> ChangeWatcher::changes(double seconds, const InputReport &r) {
    std::vector<std::string> out;
    if (!started_) {
        started_ = true;
        shown_ = r;
        std::string line = report_line(seconds, r, map_, hats_);
        out.push_back(line.insert(stamp(seconds).size(), "start  "));
        return out;
    }
    std::string labels[8];
    int now[8], before[8];
    values(r, map_, labels, now);
    values(shown_, map_, labels, before);
    int16_t *fields[8] = {&shown_.axis0, &shown_.axis1, &shown_.z, &shown_.rx,
                          &shown_.ry, &shown_.rz, &shown_.slider0, &shown_.slider1};
    for (int i = 0; i < 8; i++) {
        if (std::abs(now[i] - before[i]) < threshold_ || now[i] == before[i]) continue;
        out.push_back(stamp(seconds) + labels[i] + " " + std::to_string(before[i]) + " -> " + std::to_string(now[i]));
        *fields[i] = static_cast<int16_t>(now[i]);
    }
    for (int b = 0; b < 64; b++) {
        const bool was = shown_.button_mask >> b & 1, is = r.button_mask >> b & 1;
        if (was != is) out.push_back(stamp(seconds) + "button " + std::to_string(b) + (is ? " pressed" : " released"));
    }
    shown_.button_mask = r.button_mask;
    for (int h = 0; h < 4; h++) {
        const unsigned was = (shown_.pov_codes >> (4 * h)) & 0xF, is = (r.pov_codes >> (4 * h)) & 0xF;
        if (was == is || !(hat_shown(was, h, hats_) || hat_shown(is, h, hats_))) continue;
        out.push_back(stamp(seconds) + "hat " + std::to_string(h) + " " + (was == 15 ? "centred" : hat_name(was)) +
                      " -> " + (is == 15 ? "centred" : hat_name(is)));
    }
    shown_.pov_codes = r.pov_codes;
    return out;
}

}  // namespace probe
