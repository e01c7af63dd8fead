// Control functions: object lifetimes and effect state.
#include "sim_lock.h"
#include "sim_objects.h"
#include "sim_state.h"

#include <cstring>

using namespace gsim;

#define GSIM_EXPORT extern "C" GSIM_API

GSIM_EXPORT int gsim_live_objects(int kind) {
    Guard guard;
    return sim().registry.live(kind);
}
GSIM_EXPORT int gsim_created_objects(int kind) {
    Guard guard;
    return sim().registry.created(kind);
}
GSIM_EXPORT int gsim_destroyed_objects(int kind) {
    Guard guard;
    return sim().registry.destroyed(kind);
}
GSIM_EXPORT int gsim_live_dinputs(void) { return gsim_live_objects(GSIM_KIND_DINPUT); }
GSIM_EXPORT int gsim_live_devices(void) { return gsim_live_objects(GSIM_KIND_DEVICE); }
GSIM_EXPORT int gsim_live_effects(void) { return gsim_live_objects(GSIM_KIND_EFFECT); }

GSIM_EXPORT int gsim_refcount(DWORD object) {
    Guard guard;
    const Shell *s = sim().registry.find(object);
    if (!s) return GSIM_E_NOOBJECT;
    return s->alive ? static_cast<int>(s->refs) : 0;
}

GSIM_EXPORT int gsim_device_refcount(int index) {
    Guard guard;
    auto &list = sim().devices;
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return GSIM_E_NODEVICE;
    int total = 0;
    for (SimDevice *d : open_device_objects())
        if (d->dev == list[index]) total += static_cast<int>(d->shell.refs);
    return total;
}

GSIM_EXPORT int gsim_over_releases(void) {
    Guard guard;
    return sim().registry.over_releases;
}

GSIM_EXPORT int gsim_dead_calls(void) {
    Guard guard;
    return sim().registry.dead_calls;
}

GSIM_EXPORT int gsim_effect_ids(DWORD *ids, int max) {
    Guard guard;
    const auto &all = sim().effects;
    for (int i = 0; ids && i < max && static_cast<size_t>(i) < all.size(); i++) ids[i] = all[i]->shell.id;
    return static_cast<int>(all.size());
}

GSIM_EXPORT int gsim_effect_info(DWORD id, GSIM_EFFECT_INFO *info) {
    if (!info || info->size != sizeof(GSIM_EFFECT_INFO)) return GSIM_E_ARG;
    Guard guard;
    const SimEffect *e = nullptr;
    for (const SimEffect *candidate : sim().effects)
        if (candidate->shell.id == id) e = candidate;
    if (!e) return GSIM_E_NOOBJECT;
    GSIM_EFFECT_INFO out{};
    out.size = sizeof(out);
    out.id = id;
    out.device_object = e->owner->shell.id;
    out.device = device_index(e->owner->dev.get());
    out.guid = e->guid;
    out.alive = e->shell.alive;
    out.refcount = e->shell.alive ? static_cast<ULONG>(e->shell.refs) : 0;
    if (e->st) {
        out.downloaded = e->st->downloaded;
        out.playing = e->st->playing;
        out.start_count = e->st->start_count;
        out.restart_count = e->st->restart_count;
        out.last_iterations = e->st->last_iterations;
        out.last_start_flags = e->st->last_start_flags;
        out.params = e->st->params;
    }
    *info = out;
    return GSIM_OK;
}
