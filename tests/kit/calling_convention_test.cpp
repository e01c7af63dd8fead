// x86 only: every export, found by its undecorated name, is __stdcall with
// exactly the argument bytes the header declares, so that it pops what the
// host's call pushed. A mismatch shows here as a stack that moved, instead of
// as a corrupted frame somewhere in a host.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "gantrel.h"

// Calls fn with args pushed right to left and returns how far the stack
// pointer moved across the call: 0 when the callee popped exactly its
// arguments, as __stdcall does.
extern "C" int32_t measured_call(void *fn, const int32_t *args, int32_t count, int32_t *result);
asm(R"(
    .text
    .globl _measured_call
_measured_call:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl 20(%ebp), %ecx
    movl %eax, (%ecx)
    movl %edi, %eax
    subl %esp, %eax
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

namespace {

// The number of arguments of a header declaration; deduction fails to
// compile unless the declaration is __stdcall.
template <typename... A>
constexpr int32_t stdcall_arity(int32_t(__stdcall *)(A...)) {
    return sizeof...(A);
}

struct ExportCall {
    const char *name;
    int32_t arity;
    int32_t args[5];
    int32_t expected;
};

// Arguments that every export refuses (or, for the frame, answers) without a
// device: null pointers and handle 0.
#define CALL(name, expected, ...) {#name, stdcall_arity(&name), {__VA_ARGS__}, expected}
const ExportCall kCalls[] = {
    CALL(dib_abi_version, 1, 0),
    CALL(dib_autocenter_state, DIB_E_BADARG, 0),
    CALL(dib_build_info, DIB_E_BADARG, 0, 0),
    CALL(dib_device_reset, DIB_E_BADARG, 0),
    CALL(dib_effect_create, DIB_E_BADARG, 0, DIB_EFFECT_CONSTANT, 0),
    CALL(dib_effect_destroy, DIB_E_BADARG, 0),
    CALL(dib_effect_start, DIB_E_BADARG, 0, 1),
    CALL(dib_effect_stop, DIB_E_BADARG, 0),
    CALL(dib_effect_update, DIB_E_BADARG, 0, 0),
    CALL(dib_enumerate, DIB_E_BADARG, 0, 0),
    CALL(dib_ffb_axes, DIB_E_BADARG, 0),
    CALL(dib_last_error, DIB_E_BADARG, 0, 0),
    CALL(dib_open, DIB_E_BADARG, 0),
    CALL(dib_poll, DIB_E_BADARG, 0, 0),
    CALL(dib_query_ffb_axes, DIB_E_BADARG, 0),
    CALL(dib_release, DIB_E_BADARG, 0),
    CALL(dib_set_axis_map, DIB_E_BADARG, 0, 0, 1, 0, 0),
};
#undef CALL

TEST(CallingConvention, EveryExportPopsExactlyTheArgumentsTheHeaderDeclares) {
    HMODULE dll = LoadLibraryA("gantrel.dll");  // as a foreign-function host loads it
    ASSERT_NE(dll, nullptr);
    for (const ExportCall &c : kCalls) {
        void *fn = reinterpret_cast<void *>(GetProcAddress(dll, c.name));
        ASSERT_NE(fn, nullptr) << c.name << " is not exported under its plain name";
        int32_t result = 0;
        EXPECT_EQ(measured_call(fn, c.args, c.arity, &result), 0) << c.name << " left the stack moved";
        EXPECT_EQ(result, c.expected) << c.name;
    }
    EXPECT_EQ(sizeof kCalls / sizeof kCalls[0], 17u);
}

}  // namespace
