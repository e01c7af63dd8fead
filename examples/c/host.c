/* A minimal host of gantrel.dll in C: lists the force-feedback controllers,
 * opens the first one, plays a constant force for half a second and
 * releases the device again. */
#include <stdio.h>
#include <string.h>

#include <windows.h>

#include "gantrel.h"

static int fail(const char *what, int32_t code)
{
    char message[512];
    dib_last_error(message, sizeof message);
    fprintf(stderr, "%s failed: %ld (%s)\n", what, (long)code, message);
    return 1;
}

/* The first "guid" value of the device list, or 0 when it is empty. */
static int first_guid(const char *list, char guid[39])
{
    const char *key = strstr(list, "\"guid\":\"");
    if (key == NULL)
        return 0;
    memcpy(guid, key + 8, 38);
    guid[38] = '\0';
    return 1;
}

/* Mapped axis 0 and 1 become the first two actuators, -1 where there is none. */
static int32_t map_actuators(int32_t device, int32_t mask)
{
    int32_t axes[2] = {DIB_AXIS_NONE, DIB_AXIS_NONE};
    int found = 0, code;
    for (code = DIB_AXIS_X; code <= DIB_AXIS_SLIDER1 && found < 2; ++code)
        if (mask & (1 << code))
            axes[found++] = code;
    if (found == 0)
        return DIB_OK; /* no actuator reported: keep X and Y */
    return dib_set_axis_map(device, axes[0], axes[1], 0, 0);
}

int main(void)
{
    char info[128], list[16384], guid[39];
    int32_t device, effect, result, mask;
    EffectParams params;

    if (dib_build_info(info, sizeof info) < 0)
        return fail("dib_build_info", DIB_E_BADARG);
    printf("library: %s\n", info);

    result = dib_enumerate(list, sizeof list);
    if (result < 0)
        return fail("dib_enumerate", result);
    printf("devices: %s\n", list);
    if (!first_guid(list, guid)) {
        printf("no force-feedback controller attached\n");
        return 0;
    }

    device = dib_open(guid);
    if (device < 0)
        return fail("dib_open", device);
    mask = dib_ffb_axes(device);
    printf("opened %s as device %ld, force-feedback axes 0x%lX\n", guid, (long)device,
           (unsigned long)mask);

    /* Effects act on the two mapped axes, X and Y unless told otherwise. A
     * wheel has a single actuator: map the effects onto the actuators the
     * device really has. */
    result = map_actuators(device, mask);
    if (result < 0) {
        dib_release(device);
        return fail("dib_set_axis_map", result);
    }

    memset(&params, 0, sizeof params);
    params.constant_magnitude = 2048; /* half of full scale */
    params.direction_deg = 90;
    params.duration_ms = 500;
    effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &params);
    if (effect < 0) {
        dib_release(device);
        return fail("dib_effect_create", effect);
    }
    result = dib_effect_start(effect, 1);
    if (result < 0) {
        dib_release(device);
        return fail("dib_effect_start", result);
    }
    printf("playing constant force (effect %ld)\n", (long)effect);
    Sleep(500);

    /* Releasing the device also stops and destroys its effects. */
    dib_release(device);
    printf("released device %ld\n", (long)device);
    return 0;
}
