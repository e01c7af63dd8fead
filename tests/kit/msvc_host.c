/* A host built the way an MSVC project builds one: clang in MSVC mode, linked
 * by lld-link against the kit's gantrel.lib, with no C runtime. It calls all
 * 17 exports through the header's declarations against the simulated wheel;
 * the exit status is 0, or the number of the first step that went wrong. On
 * x86 a call whose convention or argument size disagreed with the DLL would
 * unbalance the stack of this frame-pointer-free code. */
#include "gantrel.h"

__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

/* No C runtime: the compiler may still ask for these. */
void *memset(void *to, int value, size_t n)
{
    unsigned char *p = (unsigned char *)to;
    while (n--)
        *p++ = (unsigned char)value;
    return to;
}

static char text[16384];

static int find_guid(char guid[39])
{
    const char *key = "\"guid\":\"";
    for (const char *p = text; *p; ++p) {
        int i = 0;
        while (key[i] && p[i] == key[i])
            ++i;
        if (key[i] == 0) {
            for (i = 0; i < 38; ++i)
                guid[i] = p[8 + i];
            guid[38] = 0;
            return 1;
        }
    }
    return 0;
}

static int run(void)
{
    char guid[39];
    EffectParams params;
    InputReport report;
    int32_t device, effect;

    if (dib_abi_version() != DIB_ABI_VERSION) return 1;
    if (dib_build_info(text, sizeof text) <= 0) return 2;
    if (dib_enumerate(text, sizeof text) <= 2 || !find_guid(guid)) return 3;
    if (dib_query_ffb_axes(guid) != 1) return 4; /* the simulated wheel: X */
    device = dib_open(guid);
    if (device != 1) return 5;
    if (dib_autocenter_state(device) < 0) return 6;
    if (dib_ffb_axes(device) != 1) return 7;
    if (dib_set_axis_map(device, DIB_AXIS_X, DIB_AXIS_NONE, 1, 0) != DIB_OK) return 8;
    if (dib_poll(device, &report) != DIB_OK) return 9;
    memset(&params, 0, sizeof params);
    params.constant_magnitude = 1000;
    effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &params);
    if (effect != 1) return 10;
    params.constant_magnitude = -1000;
    if (dib_effect_update(effect, &params) != DIB_OK) return 11;
    if (dib_effect_start(effect, 1) != DIB_OK) return 12;
    if (dib_effect_stop(effect) != DIB_OK) return 13;
    if (dib_effect_destroy(effect) != DIB_OK) return 14;
    if (dib_device_reset(device) != DIB_OK) return 15;
    if (dib_poll(9, &report) != DIB_E_BADARG) return 16;
    if (dib_ffb_axes(9) != DIB_E_BADARG) return 17;
    if (dib_last_error(text, sizeof text) != 17) return 18; /* "bad device handle" */
    if (dib_release(device) != DIB_OK) return 19;
    return 0;
}

void host_main(void)
{
    ExitProcess((unsigned int)run());
}
