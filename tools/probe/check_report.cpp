#include "check_report.h"

#include "axis_names.h"
#include "effect_options.h"
#include "probe_errors.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace probe {

namespace {

// Through SDL, Wine 10 lists all its effect types for a wheel whatever the
// driver plays (bus_sdl.c, descriptor_add_haptic): all but square.
bool offered_by_wine(const CheckReport &r) {
    if (r.wine_path.name != "SDL") return false;
    for (const TypeCheck &t : r.types)
        if (t.listed == (t.type == DIB_EFFECT_SQUARE)) return false;
    return r.types.size() == effect_names().size();
}

const char *const kSteps[5] = {"create", "update", "start", "stop", "destroy"};

std::vector<const CallResult *> steps(const TypeCheck &t) {
    return {&t.create, &t.update, &t.start, &t.stop, &t.destroy};
}

// "OK", "-" (not run), or the code's name without its DIB_E_ prefix.
std::string cell(const CallResult &c) {
    if (!c.ran) return "-";
    if (c.result >= 0) return "OK";
    const std::string name = result_name(c.result);
    return name.rfind("DIB_E_", 0) == 0 ? name.substr(6) : name;
}

// Device names are ANSI bytes; JSON wants UTF-8. Latin-1 is the guess that
// keeps every byte readable.
std::string utf8_from_bytes(const std::string &bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

nlohmann::json call_json(const CallResult &c) {
    if (!c.ran) return nullptr;
    nlohmann::json j = {{"result", c.result}, {"name", result_name(c.result >= 0 ? 0 : c.result)}};
    if (!c.message.empty()) j["message"] = c.message;
    return j;
}

// A row of the table: the effect name in 14 columns, "Listed" in 8, each
// call in 12 (room for UNSUPPORTED).
std::string table_row(const std::vector<std::string> &cells) {
    std::string out;
    for (size_t i = 0; i < cells.size(); i++) {
        out += cells[i];
        const size_t width = i == 0 ? 14 : i == 1 ? 8 : 12;
        if (i + 1 < cells.size()) out += std::string(width > cells[i].size() ? width - cells[i].size() : 1, ' ');
    }
    return out + "\n";
}

}  // namespace

bool TypeCheck::works() const {
    for (const CallResult *c : steps(*this))
        if (c->ran && c->result < 0) return false;
    return create.ran;
}

std::string TypeCheck::verdict() const {
    if (!listed) return "not offered";
    for (size_t s = 0; s < 5; s++) {
        const CallResult &call = *steps(*this)[s];
        if (call.ran && call.result < 0) return s == 0 ? "refused" : std::string(kSteps[s]) + " failed";
    }
    return works() ? "works" : "not run";
}

bool CheckReport::failed() const {
    bool offered = false;
    for (const TypeCheck &t : types) {
        if (t.listed && !t.works()) return true;
        offered = offered || t.listed;
    }
    return !offered;
}

std::string check_table(const CheckReport &r) {
    const DeviceChoice &c = r.choice;
    const DeviceEntry *d = c.about();
    std::string out = "gantrel-probe check: " + c.label() + (d ? ", " + d->name : "") + "\n";
    if (d)
        out += "  GUID " + c.guid + "  VID:PID " + vid_pid_text(*d) + "  buttons " + std::to_string(d->buttons) +
               "  POVs " + std::to_string(d->povs) + "  sample period " + std::to_string(d->sample_period_us) +
               " us\n";
    else
        out += "  GUID " + c.guid + "\n";
    if (!c.entry) out += "  Not among the force-feedback controllers the library lists.\n";
    out += "  Library " + r.build_info + "\n";
    if (!r.wine_path.name.empty())
        out += "  Wine's backend " + r.wine_path.name + " (inferred: " + r.wine_path.why + ")\n";
    if (offered_by_wine(r))
        out += "  Wine 10 offers these types for every wheel SDL reports: \"works\" means Wine accepted the calls, and a\n"
               "  type the wheel's Linux driver cannot play is never felt (docs/devices.md, the wheels on each path).\n";
    out += "  Force-feedback axes " + axis_mask_names(r.ffb_mask) + " (dib_ffb_axes " + mask_text(r.ffb_mask) +
           "); effects mapped onto " + map_text(r.map) + "\n";
    out += "  Auto-centre " + autocenter_text(r.autocenter) + " (dib_autocenter_state " + autocenter_bits(r.autocenter) +
           ")\n";
    out += "  Each effect type it offers is created, updated, started, played " + std::to_string(r.play_ms) +
           " ms, stopped and destroyed, at " + std::to_string(r.strength) + " of 4096.\n\n";

    out += table_row({"Effect", "Listed", "Create", "Update", "Start", "Stop", "Destroy", "Verdict"});
    std::vector<std::string> notes;
    int working = 0, offered = 0;
    std::string failing, not_offered;
    for (const TypeCheck &t : r.types) {
        std::vector<std::string> row = {effect_name(t.type), t.listed ? "yes" : "no"};
        std::string note_ref;
        for (size_t s = 0; s < 5; s++) {
            const CallResult &call = *steps(t)[s];
            row.push_back(cell(call));
            if (call.ran && call.result < 0) {
                notes.push_back("(" + std::to_string(notes.size() + 1) + ") " + effect_name(t.type) + ": " + call.message);
                if (note_ref.empty()) note_ref = " (" + std::to_string(notes.size()) + ")";
            }
        }
        row.push_back(t.verdict() + note_ref);
        out += table_row(row);
        if (!t.listed) {
            not_offered += std::string(not_offered.empty() ? "" : ", ") + effect_name(t.type);
            continue;
        }
        offered++;
        if (t.works()) working++;
        else failing += std::string(failing.empty() ? "" : ", ") + effect_name(t.type);
    }
    if (!notes.empty()) {
        out += "\nMessages:\n";
        for (const std::string &n : notes) out += "  " + n + "\n";
    }
    out += "\n";
    if (r.interrupted) out += "Interrupted after " + std::to_string(r.types.size()) + " of 10 effect types.\n";
    if (offered == 0)
        out += "It offers none of the effect types the library plays.\n";
    else
        out += std::to_string(working) + " of " + std::to_string(offered) + " effect types " +
               (not_offered.empty() ? "" : "it offers ") + "work" + (failing.empty() ? "" : "; failing: " + failing) +
               (not_offered.empty() ? "" : "; not offered: " + not_offered) + ".\n";
    if (!r.reason.id.empty()) out += "Why: " + r.reason.text + "\n";
    if (r.release.ran)
        out += r.release.ok() ? "Released the device: its auto-centre setting is restored.\n"
                              : "Releasing the device failed: " + r.release.message + "\n";
    return out;
}

std::string check_json(const CheckReport &r) {
    nlohmann::json library = nlohmann::json::parse(r.build_info, nullptr, false);
    nlohmann::json device = {{"guid", r.choice.guid}, {"listed", r.choice.entry != nullptr}};
    if (r.choice.index >= 0) device["index"] = r.choice.index;
    if (r.choice.entry) device["force_feedback"] = true;
    if (const GameController *seen = r.choice.unlisted) {
        device["force_feedback"] = seen->force_feedback;
        device["pid_controls"] = seen->pid_controls;
    }
    if (const DeviceEntry *e = r.choice.about()) {
        device["name"] = utf8_from_bytes(e->name);
        device["vid"] = e->vid;
        device["pid"] = e->pid;
        device["buttons"] = e->buttons;
        device["povs"] = e->povs;
        device["sample_period_us"] = e->sample_period_us;
        device["effects"] = e->effects;
    }
    nlohmann::json types = nlohmann::json::array();
    for (const TypeCheck &t : r.types) {
        nlohmann::json j = {
            {"type", effect_name(t.type)}, {"listed", t.listed}, {"works", t.works()}, {"verdict", t.verdict()}};
        for (size_t s = 0; s < 5; s++) j[kSteps[s]] = call_json(*steps(t)[s]);
        types.push_back(j);
    }
    std::vector<std::string> ff_axes, mapped;
    for (int32_t code = 0; code < 8; code++)
        if (r.ffb_mask >> code & 1) ff_axes.push_back(axis_name(code));
    for (int i = 0; i < 2; i++) mapped.push_back(axis_name(r.map.axis[i]));
    const nlohmann::json report = {
        {"report", "gantrel-probe check"},
        {"library", library.is_discarded() ? nlohmann::json(r.build_info) : library},
        {"device", device},
        {"ff_axes", {{"mask", r.ffb_mask}, {"axes", ff_axes}}},
        {"mapped_axes", mapped},
        {"autocenter", {{"state", r.autocenter}, {"text", autocenter_text(r.autocenter)}}},
        {"play_ms", r.play_ms},
        {"strength", r.strength},
        {"effects", types},
        {"release", call_json(r.release)},
        {"complete", !r.interrupted},
        {"wine_backend", r.wine_path.name.empty() ? nlohmann::json(nullptr)
                                                  : nlohmann::json{{"name", r.wine_path.name},
                                                                   {"inferred_from", r.wine_path.why},
                                                                   {"offers_every_type", offered_by_wine(r)}}},
        {"reason", r.reason.id.empty() ? nlohmann::json(nullptr)
                                       : nlohmann::json{{"id", r.reason.id}, {"text", r.reason.text}}},
    };
    return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace probe
