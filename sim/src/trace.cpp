#include "trace.h"

#include "effect_catalog.h"
#include "method_names.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace gsim {

namespace {

FILE *g_out = nullptr;

void add(std::string &s, const char *fmt, ...) {
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof(buf), fmt, ap);
    va_end(ap);
    s += buf;
}

void add_guid(std::string &s, const GUID &g) {
    add(s, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", static_cast<unsigned long>(g.Data1), g.Data2,
        g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

// The fields `read` (DIEP_ bits) selects, as the call read them.
void add_effect(std::string &s, const GSIM_EFFECT_PARAMS &p, DWORD read) {
    add(s, " DIEFFECT{size=%lu flags=0x%lX", p.dwSize, p.dwFlags);
    if (read & DIEP_DURATION) add(s, " duration=%lu", p.dwDuration);
    if (read & DIEP_SAMPLEPERIOD) add(s, " period=%lu", p.dwSamplePeriod);
    if (read & DIEP_GAIN) add(s, " gain=%lu", p.dwGain);
    if (read & DIEP_TRIGGERBUTTON) add(s, " trigger=0x%lX", p.dwTriggerButton);
    if (read & DIEP_TRIGGERREPEATINTERVAL) add(s, " repeat=%lu", p.dwTriggerRepeatInterval);
    if ((read & DIEP_STARTDELAY) && p.dwSize == sizeof(DIEFFECT)) add(s, " delay=%lu", p.dwStartDelay);
    DWORD n = p.cAxes < GSIM_MAX_EFFECT_AXES ? p.cAxes : GSIM_MAX_EFFECT_AXES;
    add(s, " cAxes=%lu", p.cAxes);
    if (p.has_axes) {
        s += " axes=[";
        for (DWORD i = 0; i < n; i++) add(s, i ? ",0x%lX" : "0x%lX", p.axes[i]);
        s += "]";
    }
    if (p.has_directions) {
        s += " directions=[";
        for (DWORD i = 0; i < n; i++) add(s, i ? ",%ld" : "%ld", p.directions[i]);
        s += "]";
    }
    if (p.envelope_read) {
        if (p.has_envelope)
            add(s, " envelope={attack %lu/%lu fade %lu/%lu}", p.envelope.dwAttackLevel, p.envelope.dwAttackTime,
                p.envelope.dwFadeLevel, p.envelope.dwFadeTime);
        else
            s += " envelope=none";
    }
    if (p.has_type_specific) {
        add(s, " specific(%lu)=", p.cbTypeSpecificParams);
        DWORD bytes = p.cbTypeSpecificParams < GSIM_MAX_TYPE_BYTES ? p.cbTypeSpecificParams : GSIM_MAX_TYPE_BYTES;
        for (DWORD i = 0; i < bytes; i++) add(s, "%02X", p.type_specific[i]);
    }
    s += "}";
}

void add_arguments(std::string &s, const GSIM_CALL &c) {
    switch (c.method) {
    case GSIM_M_DIRECTINPUT8CREATE:
        add(s, " version=0x%lX riid=", c.version);
        add_guid(s, c.guid);
        break;
    case GSIM_M_DI_CREATEDEVICE:
    case GSIM_M_DI_GETDEVICESTATUS:
    case GSIM_M_DEV_GETEFFECTINFO:
    case GSIM_M_DI_QUERYINTERFACE:
    case GSIM_M_DEV_QUERYINTERFACE:
    case GSIM_M_EFF_QUERYINTERFACE:
        s += " guid=";
        add_guid(s, c.guid);
        break;
    case GSIM_M_DI_ENUMDEVICES: add(s, " type=0x%lX flags=0x%lX", c.dev_type, c.flags); break;
    case GSIM_M_DEV_ENUMOBJECTS:
    case GSIM_M_DEV_ENUMEFFECTS:
    case GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND:
    case GSIM_M_EFF_GETPARAMETERS: add(s, " flags=0x%lX", c.flags); break;
    case GSIM_M_DEV_SETCOOPERATIVELEVEL: add(s, " hwnd=%p flags=0x%lX", static_cast<void *>(c.hwnd), c.flags); break;
    case GSIM_M_DEV_SETDATAFORMAT:
        add(s, " format=%p dataSize=%lu objects=%lu%s", c.format_ptr, c.format_data_size, c.format_num_objs,
            c.format_is_joystick2 ? " (c_dfDIJoystick2)" : "");
        break;
    case GSIM_M_DEV_GETPROPERTY:
    case GSIM_M_DEV_SETPROPERTY:
        add(s, " property=%lu size=%lu obj=0x%lX how=%lu data=", static_cast<unsigned long>(c.property),
            c.prop_header.dwSize, c.prop_header.dwObj, c.prop_header.dwHow);
        for (DWORD i = 0; i < c.prop_data_size; i++) add(s, "%02X", c.prop_data[i]);
        break;
    case GSIM_M_DEV_GETCAPABILITIES:
    case GSIM_M_DEV_GETDEVICEINFO:
    case GSIM_M_DEV_GETDEVICESTATE: add(s, " size=%lu", c.size); break;
    case GSIM_M_DEV_CREATEEFFECT:
        add(s, " %s ", effect_kind(c.guid).name);
        add_guid(s, c.guid);
        if (c.has_params) add_effect(s, c.params, DIEP_ALLPARAMS);
        else s += " DIEFFECT=none";
        break;
    case GSIM_M_EFF_SETPARAMETERS:
        add(s, " flags=0x%lX", c.flags);
        if (c.has_params) add_effect(s, c.params, c.flags);
        break;
    case GSIM_M_EFF_START: add(s, " iterations=%lu flags=0x%lX", c.iterations, c.flags); break;
    }
}

}  // namespace

bool trace_to(const char *path) {
    if (g_out && g_out != stderr) std::fclose(g_out);
    g_out = nullptr;
    if (!path) return true;
    g_out = std::string(path) == "-" ? stderr : std::fopen(path, "w");
    return g_out != nullptr;
}

bool tracing() { return g_out != nullptr; }

void trace_text(const std::string &line) {
    if (!g_out) return;
    std::fputs((line + "\n").c_str(), g_out);
    std::fflush(g_out);
}

bool trace_is_stderr() { return g_out == stderr; }

void trace_call(const GSIM_CALL &c) {
    if (!g_out) return;
    std::string s;
    add(s, "#%lu [%lu] %s", c.seq, c.thread_id, c.method ? method_name(c.method) : "?");
    if (c.object) add(s, " object=%lu", c.object);
    if (c.device >= 0) add(s, " device=%d", c.device);
    add_arguments(s, c);
    bool counter = c.method == GSIM_M_DI_ADDREF || c.method == GSIM_M_DI_RELEASE || c.method == GSIM_M_DEV_ADDREF ||
                   c.method == GSIM_M_DEV_RELEASE || c.method == GSIM_M_EFF_ADDREF || c.method == GSIM_M_EFF_RELEASE;
    if (counter) add(s, " -> %ld", c.result);
    else add(s, " -> 0x%08lX", static_cast<unsigned long>(c.result));
    if (c.created) add(s, " created=%lu", c.created);
    if (c.injected) s += " (injected)";
    s += "\n";
    std::fputs(s.c_str(), g_out);
    std::fflush(g_out);
}

}  // namespace gsim
