// Strict mode: each way a host can break the library's rules through
// DirectInput gets exactly one report, in the list and in the trace; calls
// that keep the rules get none.
#include "sim_support.h"

#include <fstream>
#include <sstream>
#include <thread>

using namespace simtest;

namespace {

// A window of the calling thread's own.
HWND thread_window() {
    static const ATOM registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "gsim_strict_window";
        return RegisterClassA(&wc);
    }();
    (void)registered;
    return CreateWindowA("gsim_strict_window", "", 0, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

IDirectInputDevice8A *open_on(IDirectInput8A *di, int index, HWND window) {
    GSIM_DEVICE_DESC desc;
    gsim_device_get(index, &desc);
    IDirectInputDevice8A *dev = nullptr;
    EXPECT_EQ(di->CreateDevice(desc.instance_guid, &dev, nullptr), DI_OK);
    EXPECT_EQ(dev->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    EXPECT_EQ(dev->SetCooperativeLevel(window, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    EXPECT_EQ(dev->Acquire(), DI_OK);
    return dev;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

void read_state(IDirectInputDevice8A *dev) {
    DIJOYSTATE2 state;
    dev->GetDeviceState(sizeof(state), &state);
}

void poll_on_other_thread(IDirectInput8A *di) {
    IDirectInputDevice8A *dev = open_device(di, 0);
    std::thread([dev] {
        read_state(dev);
        dev->Poll();
    }).join();
    dev->Release();
}

void poll_without_strict_mode(IDirectInput8A *di) {
    gsim_strict_enable(FALSE);
    poll_on_other_thread(di);
}

void poll_after_window_thread_ended(IDirectInput8A *di) {
    IDirectInputDevice8A *dev = nullptr;
    std::thread([&] { dev = open_on(di, 0, thread_window()); }).join();
    dev->Poll();
    dev->Release();
}

void unload_with_device_open(IDirectInput8A *) {
    HMODULE library = LoadLibraryA("gantrel.dll");
    ASSERT_NE(library, nullptr);
    typedef int32_t(WINAPI * OpenFunction)(const char *);
    auto open = reinterpret_cast<OpenFunction>(reinterpret_cast<void (*)()>(GetProcAddress(library, "dib_open")));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open("{5A1E0001-0000-11EE-8001-444553540000}"), 1);
    FreeLibrary(library);  // the device object stays behind, acquired: what the rule is about
}

void update_for_two_axes(IDirectInput8A *di) {
    IDirectInputDevice8A *dev = open_device(di, 1);
    ConstantEffect one(1), two(2);
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_ConstantForce, &one.eff, &e, nullptr), DI_OK);
    EXPECT_EQ(e->SetParameters(&two.eff, DIEP_DIRECTION), HR(DIERR_INVALIDPARAM));
    e->Release();
    dev->Release();
}

// DirectInput takes one condition block for both axes without a word.
void update_condition_for_one_axis(IDirectInput8A *di) {
    IDirectInputDevice8A *dev = open_device(di, 1);
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG directions[2] = {0, 0};
    DICONDITION blocks[2] = {{0, 5000, 5000, 10000, 10000, 0}, {0, 5000, 5000, 10000, 10000, 0}};
    DIEFFECT eff{};
    eff.dwSize = sizeof(eff);
    eff.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = INFINITE;
    eff.dwGain = DI_FFNOMINALMAX;
    eff.dwTriggerButton = DIEB_NOTRIGGER;
    eff.cAxes = 2;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
    eff.cbTypeSpecificParams = sizeof(blocks);
    eff.lpvTypeSpecificParams = blocks;
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_Spring, &eff, &e, nullptr), DI_OK);
    eff.cAxes = 1;
    eff.cbTypeSpecificParams = sizeof(blocks[0]);
    EXPECT_EQ(e->SetParameters(&eff, DIEP_TYPESPECIFICPARAMS), DI_OK);
    e->Release();
    dev->Release();
}

void poll_after_release(IDirectInput8A *di) {
    IDirectInputDevice8A *dev = open_device(di, 0);
    dev->Release();
    dev->Poll();
}

IDirectInputDevice8A *g_inner = nullptr;

void CALLBACK poll_inside(int, void *) { read_state(g_inner); }

void poll_inside_acquire(IDirectInput8A *di) {
    IDirectInputDevice8A *outer = open_device(di, 0, false);
    g_inner = open_device(di, 1);
    gsim_set_call_hook(GSIM_M_DEV_ACQUIRE, poll_inside, nullptr);
    EXPECT_EQ(outer->Acquire(), DI_OK);
    gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr);
    g_inner->Release();
    outer->Release();
}

// The window's thread opens the device and then uses it for 5.5 s,
// retrieving messages or not.
void use_for_five_seconds(IDirectInput8A *di, bool serve_messages) {
    std::thread([di, serve_messages] {
        const HWND window = thread_window();
        IDirectInputDevice8A *dev = open_on(di, 0, window);
        ConstantEffect c;
        IDirectInputEffect *e = nullptr;
        ASSERT_EQ(dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DI_OK);
        for (DWORD start = GetTickCount(); GetTickCount() - start < 5500;) {
            MSG msg;
            if (serve_messages) PeekMessageA(&msg, window, 0, 0, PM_REMOVE);
            Sleep(20);
        }
        EXPECT_EQ(e->Start(1, 0), DI_OK);
        e->Release();
        dev->Release();
        DestroyWindow(window);
    }).join();
}

void busy_without_messages(IDirectInput8A *di) { use_for_five_seconds(di, false); }
void busy_polling(IDirectInput8A *di) { use_for_five_seconds(di, true); }

// What the library does: list, open, read and update on the thread that
// runs the message loop, devices described inside the enumeration.
void keep_the_rules(IDirectInput8A *di) {
    auto describe = [](LPCDIDEVICEINSTANCEA inst, LPVOID context) CALLBACK -> BOOL {
        IDirectInputDevice8A *dev = nullptr;
        auto *dinput = static_cast<IDirectInput8A *>(context);
        if (dinput->CreateDevice(inst->guidInstance, &dev, nullptr) == DI_OK) {
            DIDEVCAPS caps{};
            caps.dwSize = sizeof(caps);
            dev->GetCapabilities(&caps);
            dev->Release();
        }
        return DIENUM_CONTINUE;
    };
    ASSERT_EQ(di->EnumDevices(DI8DEVCLASS_GAMECTRL, describe, di, DIEDFL_ATTACHEDONLY), DI_OK);
    IDirectInputDevice8A *dev = open_device(di, 1);
    dev->Poll();
    read_state(dev);
    ConstantEffect c(2);
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DI_OK);
    c.directions[0] = -1;
    EXPECT_EQ(e->SetParameters(&c.eff, DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS), DI_OK);
    e->Release();
    dev->Release();
}

struct Case {
    const char *name;
    void (*act)(IDirectInput8A *di);
    int rule;  // 0: no report
    int method;
    int device;
    DWORD calls;
    const char *says;
};

const Case kCases[] = {
    {"PollOnAnotherThread", poll_on_other_thread, GSIM_RULE_POLL_THREAD, GSIM_M_DEV_GETDEVICESTATE, 0, 2,
     "IDirectInputDevice8A::GetDeviceState on device 0 (Gantrel Simulated Racing Wheel), device object "},
    {"PollAfterTheWindowsThreadEnded", poll_after_window_thread_ended, GSIM_RULE_POLL_DEAD_WINDOW,
     GSIM_M_DEV_POLL, 0, 1, ": polled, but the device's window is gone"},
    {"UnloadWithADeviceOpen", unload_with_device_open, GSIM_RULE_UNLOADED, GSIM_M_DI_CREATEDEVICE, 0, 1,
     "was still acquired when gantrel.dll, which created it, was unloaded"},
    {"UpdateForTwoAxes", update_for_two_axes, GSIM_RULE_AXIS_COUNT, GSIM_M_EFF_SETPARAMETERS, 1, 1,
     "the update is for 2 axes, but the effect was created on 1 axis"},
    {"UpdateAConditionForOneAxis", update_condition_for_one_axis, GSIM_RULE_AXIS_COUNT,
     GSIM_M_EFF_SETPARAMETERS, 1, 1, "the update is for 1 axis, but the effect was created on 2 axes"},
    {"PollInsideAcquire", poll_inside_acquire, GSIM_RULE_REENTRANT, GSIM_M_DEV_GETDEVICESTATE, 1, 1,
     "called while this thread is inside IDirectInputDevice8A::Acquire"},
    {"CallAfterTheLastRelease", poll_after_release, GSIM_RULE_RELEASED, GSIM_M_DEV_POLL, -1, 1,
     ": called after the object's last Release"},
    {"WindowThreadServesNoMessages", busy_without_messages, GSIM_RULE_NO_MESSAGES, GSIM_M_EFF_START, 0, 1,
     ", which owns the device's window, has retrieved no message for 5 seconds"},
    {"WindowThreadPolls", busy_polling, 0, 0, 0, 0, ""},
    {"RulesKept", keep_the_rules, 0, 0, 0, 0, ""},
    {"StrictModeOff", poll_without_strict_mode, 0, 0, 0, 0, ""},
};

void PrintTo(const Case &c, std::ostream *out) { *out << c.name; }

class StrictRules : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        ASSERT_EQ(gsim_reset(GSIM_RESET_BUILTIN), GSIM_BUILTIN_COUNT);
        di_ = create_dinput();
        char folder[MAX_PATH];
        GetTempPathA(sizeof(folder), folder);
        trace_ = std::string(folder) + "gsim-strict-trace.txt";
        ASSERT_EQ(gsim_trace_to(trace_.c_str()), GSIM_OK);
        gsim_strict_clear();
        gsim_strict_enable(TRUE);
        pump();  // this thread's window is served
    }
    void TearDown() override {
        gsim_strict_enable(FALSE);
        gsim_trace_to(nullptr);
        gsim_strict_clear();
        if (di_) di_->Release();
    }
    IDirectInput8A *di_ = nullptr;
    std::string trace_;
};

TEST_P(StrictRules, OneReportPerBreak) {
    const Case &c = GetParam();
    c.act(di_);
    const int count = gsim_strict_count();
    GSIM_STRICT_REPORT r{};
    r.size = sizeof(r);
    std::string all;
    for (int i = 0; gsim_strict_get(i, &r) == GSIM_OK; i++) all += std::string(r.text) + "\n";
    ASSERT_EQ(count, c.rule ? 1 : 0) << all;
    gsim_trace_to(nullptr);
    std::ifstream in(trace_);
    std::stringstream trace;
    trace << in.rdbuf();
    if (!c.rule) {
        EXPECT_EQ(trace.str().find("strict:"), std::string::npos) << trace.str();
        return;
    }
    ASSERT_EQ(gsim_strict_get(0, &r), GSIM_OK);
    EXPECT_EQ(r.rule, c.rule);
    EXPECT_EQ(r.method, c.method) << gsim_method_name(r.method);
    EXPECT_EQ(r.device, c.device);
    EXPECT_EQ(r.calls, c.calls);
    EXPECT_NE(std::string(r.text).find(c.says), std::string::npos) << r.text;
    EXPECT_EQ(std::string(r.text).rfind(gsim_method_name(c.method), 0), 0u) << r.text;
    // The log entry it names is the call that broke the rule, and so is
    // the trace line.
    bool logged = false;
    for (int i = 0; i < gsim_log_count(); i++) {
        GSIM_CALL call;
        gsim_log_get(i, &call);
        if (call.seq != r.seq) continue;
        logged = true;
        EXPECT_EQ(call.method, r.method);
        EXPECT_EQ(call.thread_id, r.thread_id);
    }
    EXPECT_TRUE(logged) << "seq " << r.seq;
    const std::string line = "#" + std::to_string(r.seq) + " [" + std::to_string(r.thread_id) + "] strict: " + r.text;
    EXPECT_NE(trace.str().find(line + "\n"), std::string::npos) << trace.str();
}

INSTANTIATE_TEST_SUITE_P(Cases, StrictRules, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// GANTREL_SIM_STRICT=fatal, read at load: this program, run again with it,
// ends at the first report with exit status 3 and runs through without one.
TEST(StrictFatal, TheFirstReportEndsTheProgram) {
    // One prefix: the run that must end proves it names the cases.
    const struct {
        const char *name;
        DWORD status;
    } runs[] = {{"PollOnAnotherThread", 3}, {"RulesKept", 0}};
    char self[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, self, sizeof(self)), 0u);
    SetEnvironmentVariableA("GANTREL_SIM_STRICT", "fatal");
    for (const auto &run : runs) {
        std::string command =
            std::string("\"") + self + "\" --gtest_filter=Cases/StrictRules.OneReportPerBreak/" + run.name;
        STARTUPINFOA start{};
        start.cb = sizeof(start);
        PROCESS_INFORMATION child{};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &child));
        DWORD status = STILL_ACTIVE;
        if (WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(child.hProcess, &status);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
        EXPECT_EQ(status, run.status) << run.name;
    }
    SetEnvironmentVariableA("GANTREL_SIM_STRICT", nullptr);
}

}  // namespace
