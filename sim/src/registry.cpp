#include "registry.h"

namespace gsim {

void Registry::enroll(Shell &shell, int kind) {
    shells_.push_back(&shell);
    shell.id = static_cast<DWORD>(shells_.size());
    shell.kind = kind;
    shell.refs = 1;
    shell.alive = true;
    created_[kind]++;
}

void Registry::retire(Shell &shell) {
    shell.alive = false;
    shell.refs = 0;
    destroyed_[shell.kind]++;
}

const Shell *Registry::find(DWORD id) const {
    if (id == 0 || id > shells_.size()) return nullptr;
    return shells_[id - 1];
}

int Registry::live(int kind) const {
    if (!valid(kind)) return -1;
    return created_[kind] - destroyed_[kind];
}

}  // namespace gsim
