// C callers can pass NULL where the C++ interface declares a reference
// (REFGUID). Taking the address through an opaque barrier keeps the
// compiler from assuming such an address is never null.
#pragma once

namespace gsim {

template <class T>
const T *address_of(const T &ref) {
    const T *p = &ref;
    asm("" : "+r"(p));
    return p;
}

}  // namespace gsim
