#include "virtual_device.h"

namespace gsim {

static ObjKind kind_of(DWORD type) {
    if (type & DIDFT_AXIS) return ObjKind::Axis;
    if (type & DIDFT_POV) return ObjKind::Pov;
    if (type & DIDFT_BUTTON) return ObjKind::Button;
    return ObjKind::Other;
}

const char *check_desc(const GSIM_DEVICE_DESC &desc) {
    if (desc.size != sizeof(GSIM_DEVICE_DESC)) return "size is not sizeof(GSIM_DEVICE_DESC)";
    if (desc.num_objects > GSIM_MAX_OBJECTS) return "more than GSIM_MAX_OBJECTS objects";
    if (desc.num_buttons > GSIM_MAX_BUTTONS) return "more than GSIM_MAX_BUTTONS buttons";
    if (desc.num_povs > GSIM_MAX_POVS) return "more than GSIM_MAX_POVS POVs";
    if (desc.num_effects > GSIM_MAX_DEVICE_EFFECTS) return "more than GSIM_MAX_DEVICE_EFFECTS effects";
    for (DWORD i = 0; i < desc.num_objects; i++) {
        if (desc.objects[i].dwOfs + sizeof(LONG) > sizeof(DIJOYSTATE2))
            return "an object's dwOfs lies outside DIJOYSTATE2";
    }
    return nullptr;
}

DWORD button_type(DWORD i) { return DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(i); }
DWORD pov_type(DWORD i) { return DIDFT_POV | DIDFT_MAKEINSTANCE(i); }

std::vector<DevObject> flatten_objects(const GSIM_DEVICE_DESC &desc) {
    std::vector<DevObject> out;
    out.reserve(desc.num_objects + desc.num_buttons + desc.num_povs);
    for (DWORD i = 0; i < desc.num_objects && i < GSIM_MAX_OBJECTS; i++)
        out.push_back({desc.objects[i], kind_of(desc.objects[i].dwType), static_cast<int>(i)});
    for (DWORD i = 0; i < desc.num_buttons && i < GSIM_MAX_BUTTONS; i++) {
        DevObject o{};
        o.obj.guidType = GUID_Button;
        o.obj.dwOfs = DIJOFS_BUTTON(i);
        o.obj.dwType = button_type(i);
        wsprintfA(o.obj.name, "Button %lu", static_cast<unsigned long>(i));
        o.kind = ObjKind::Button;
        o.listed = -1;
        out.push_back(o);
    }
    for (DWORD i = 0; i < desc.num_povs && i < GSIM_MAX_POVS; i++) {
        DevObject o{};
        o.obj.guidType = GUID_POV;
        o.obj.dwOfs = DIJOFS_POV(i);
        o.obj.dwType = pov_type(i);
        wsprintfA(o.obj.name, "Hat Switch %lu", static_cast<unsigned long>(i));
        o.kind = ObjKind::Pov;
        o.listed = -1;
        out.push_back(o);
    }
    return out;
}

int count_axes(const GSIM_DEVICE_DESC &desc) {
    int n = 0;
    for (DWORD i = 0; i < desc.num_objects && i < GSIM_MAX_OBJECTS; i++)
        if (desc.objects[i].dwType & DIDFT_AXIS) n++;
    return n;
}

int count_actuators(const GSIM_DEVICE_DESC &desc) {
    int n = 0;
    for (DWORD i = 0; i < desc.num_objects && i < GSIM_MAX_OBJECTS; i++)
        if ((desc.objects[i].dwType & DIDFT_FFACTUATOR) || (desc.objects[i].dwFlags & DIDOI_FFACTUATOR)) n++;
    return n;
}

void logical_range(const GSIM_OBJECT &obj, LONG &lmin, LONG &lmax) {
    if (obj.logical_min == 0 && obj.logical_max == 0) {
        lmin = 0;
        lmax = 65535;
    } else {
        lmin = obj.logical_min;
        lmax = obj.logical_max;
    }
}

}  // namespace gsim

namespace gsim {

void fill_instance(const VirtualDevice &dev, DIDEVICEINSTANCEA &out, DWORD size) {
    DIDEVICEINSTANCEA full{};
    full.dwSize = size;
    full.guidInstance = dev.desc.instance_guid;
    full.guidProduct = dev.desc.product_guid;
    full.dwDevType = dev.desc.dev_type;
    lstrcpynA(full.tszInstanceName, dev.desc.instance_name, MAX_PATH);
    lstrcpynA(full.tszProductName, dev.desc.product_name, MAX_PATH);
    full.guidFFDriver = dev.desc.ff_driver_guid;
    full.wUsagePage = dev.desc.usage_page;
    full.wUsage = dev.desc.usage;
    memcpy(&out, &full, size < sizeof(full) ? size : sizeof(full));
}

void object_usage(const DevObject &o, WORD &page, WORD &usage) {
    static const struct {
        const GUID *guid;
        WORD usage;
    } axes[] = {{&GUID_XAxis, 0x30}, {&GUID_YAxis, 0x31}, {&GUID_ZAxis, 0x32}, {&GUID_RxAxis, 0x33},
                {&GUID_RyAxis, 0x34}, {&GUID_RzAxis, 0x35}, {&GUID_Slider, 0x36}, {&GUID_POV, 0x39}};
    page = o.obj.usage_page;
    usage = o.obj.usage;
    if (page) return;
    if (o.kind == ObjKind::Button) {
        page = 0x09;  // Button page, usages from 1
        usage = static_cast<WORD>(DIDFT_GETINSTANCE(o.obj.dwType) + 1);
        return;
    }
    for (const auto &a : axes) {
        if (IsEqualGUID(*a.guid, o.obj.guidType)) {
            page = 0x01;  // Generic Desktop
            usage = a.usage;
            return;
        }
    }
}

}  // namespace gsim
