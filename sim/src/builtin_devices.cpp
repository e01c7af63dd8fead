#include "builtin_devices.h"

#include <cstring>

namespace gsim {

// Invented but well-formed ids: the pid.codes open-source vendor id with
// product ids of this project.
static const WORD kVendor = 0x1209;

// Instance GUIDs in the form Windows gives HID game controllers.
static const GUID kWheelInstance = {0x5a1e0001, 0x0000, 0x11ee, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
static const GUID kStickInstance = {0x5a1e0002, 0x0000, 0x11ee, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
static const GUID kPadInstance = {0x5a1e0003, 0x0000, 0x11ee, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
static const GUID kFFDriver = {0x5a1effd0, 0x0000, 0x11ee, {0x80, 0x01, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

GUID pidvid_guid(WORD vid, WORD pid) {
    GUID g = {static_cast<unsigned long>(MAKELONG(vid, pid)), 0, 0, {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'}};
    return g;
}

GSIM_OBJECT make_axis(const GUID &type, DWORD ofs, DWORD instance, bool actuator, const char *name) {
    GSIM_OBJECT o{};
    o.guidType = type;
    o.dwOfs = ofs;
    o.dwType = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(instance) | (actuator ? DIDFT_FFACTUATOR : 0);
    o.dwFlags = DIDOI_ASPECTPOSITION | (actuator ? DIDOI_FFACTUATOR : 0);
    lstrcpynA(o.name, name, MAX_PATH);
    return o;
}

void set_all_standard_effects(GSIM_DEVICE_DESC &desc) {
    const GUID *all[] = {&GUID_ConstantForce, &GUID_RampForce, &GUID_Square, &GUID_Sine,
                         &GUID_Triangle, &GUID_SawtoothUp, &GUID_SawtoothDown, &GUID_Spring,
                         &GUID_Damper, &GUID_Inertia, &GUID_Friction, &GUID_CustomForce};
    desc.num_effects = 0;
    for (const GUID *g : all) desc.effects[desc.num_effects++] = *g;
}

void blank_desc(GSIM_DEVICE_DESC &desc) {
    std::memset(&desc, 0, sizeof(desc));
    desc.size = sizeof(desc);
    desc.attached = TRUE;
    desc.usage_page = 0x01;
    desc.usage = 0x04;  // Joystick
    desc.caps_flags = DIDC_POLLEDDEVICE | DIDC_POLLEDDATAFORMAT;
    desc.hardware_revision = 1;
    desc.firmware_revision = 1;
    for (DWORD &pov : desc.state.rgdwPOV) pov = 0xFFFFFFFF;
}

static void force_feedback(GSIM_DEVICE_DESC &d) {
    d.caps_flags |= DIDC_FORCEFEEDBACK | DIDC_FFATTACK | DIDC_FFFADE | DIDC_SATURATION | DIDC_POSNEGCOEFFICIENTS |
                    DIDC_POSNEGSATURATION | DIDC_DEADBAND | DIDC_STARTDELAY;
    d.ff_driver_guid = kFFDriver;
    d.ff_sample_period = 1000;
    d.ff_min_time_resolution = 1000;
    d.ff_driver_version = 1;
    d.effect_capacity = 16;
    d.autocenter_readable = TRUE;
    d.autocenter_writable = TRUE;
    d.autocenter = DIPROPAUTOCENTER_ON;
    set_all_standard_effects(d);
}

static void wheel(GSIM_DEVICE_DESC &d) {
    d.instance_guid = kWheelInstance;
    d.product_guid = pidvid_guid(kVendor, 0x4701);
    lstrcpyA(d.product_name, "Gantrel Simulated Racing Wheel");
    d.dev_type = DI8DEVTYPE_DRIVING | (DI8DEVTYPEDRIVING_THREEPEDALS << 8) | DIDEVTYPE_HID;
    d.objects[0] = make_axis(GUID_XAxis, DIJOFS_X, 0, true, "Steering");
    d.objects[1] = make_axis(GUID_YAxis, DIJOFS_Y, 1, false, "Accelerator");
    d.objects[2] = make_axis(GUID_RzAxis, DIJOFS_RZ, 5, false, "Brake");
    d.objects[3] = make_axis(GUID_Slider, DIJOFS_SLIDER(0), 6, false, "Clutch");
    d.num_objects = 4;
    d.num_buttons = 16;
    d.num_povs = 1;
    force_feedback(d);
    d.state.lX = 32767;
}

static void joystick(GSIM_DEVICE_DESC &d) {
    d.instance_guid = kStickInstance;
    d.product_guid = pidvid_guid(kVendor, 0x4702);
    lstrcpyA(d.product_name, "Gantrel Simulated Force Stick");
    d.dev_type = DI8DEVTYPE_JOYSTICK | (DI8DEVTYPEJOYSTICK_STANDARD << 8) | DIDEVTYPE_HID;
    d.objects[0] = make_axis(GUID_XAxis, DIJOFS_X, 0, true, "X Axis");
    d.objects[1] = make_axis(GUID_YAxis, DIJOFS_Y, 1, true, "Y Axis");
    d.objects[2] = make_axis(GUID_RzAxis, DIJOFS_RZ, 5, false, "Twist");
    d.objects[3] = make_axis(GUID_Slider, DIJOFS_SLIDER(0), 6, false, "Throttle");
    d.objects[4] = make_axis(GUID_Slider, DIJOFS_SLIDER(1), 7, false, "Trim");
    d.num_objects = 5;
    d.num_buttons = 12;
    d.num_povs = 1;
    force_feedback(d);
    d.state.lX = d.state.lY = d.state.lRz = 32767;
}

static void gamepad(GSIM_DEVICE_DESC &d) {
    d.instance_guid = kPadInstance;
    d.product_guid = pidvid_guid(kVendor, 0x4703);
    lstrcpyA(d.product_name, "Gantrel Simulated Gamepad");
    d.dev_type = DI8DEVTYPE_GAMEPAD | (DI8DEVTYPEGAMEPAD_STANDARD << 8) | DIDEVTYPE_HID;
    d.usage = 0x05;  // Game Pad
    d.objects[0] = make_axis(GUID_XAxis, DIJOFS_X, 0, false, "Left Stick X");
    d.objects[1] = make_axis(GUID_YAxis, DIJOFS_Y, 1, false, "Left Stick Y");
    d.objects[2] = make_axis(GUID_ZAxis, DIJOFS_Z, 2, false, "Triggers");
    d.objects[3] = make_axis(GUID_RxAxis, DIJOFS_RX, 3, false, "Right Stick X");
    d.objects[4] = make_axis(GUID_RyAxis, DIJOFS_RY, 4, false, "Right Stick Y");
    d.num_objects = 5;
    d.num_buttons = 10;
    d.num_povs = 1;
    d.state.lX = d.state.lY = d.state.lZ = d.state.lRx = d.state.lRy = 32767;
}

bool builtin_desc(int which, GSIM_DEVICE_DESC &desc) {
    blank_desc(desc);
    switch (which) {
    case GSIM_BUILTIN_WHEEL: wheel(desc); break;
    case GSIM_BUILTIN_JOYSTICK: joystick(desc); break;
    case GSIM_BUILTIN_GAMEPAD: gamepad(desc); break;
    default: return false;
    }
    lstrcpyA(desc.instance_name, desc.product_name);
    return true;
}

}  // namespace gsim
