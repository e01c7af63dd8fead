#pragma once
// Shared set-up for tests of gantrel.dll against the simulated DirectInput:
// every test starts from a known device set with an empty call log and ends
// with every device released and every simulated object gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gantrel.h"
#include "gantrel_sim.h"

namespace simtest {

std::string last_error();
std::string guid_text(const GUID& guid);
std::string guid_of(int device_index);

// A force-feedback device with plain, known values: X and Y actuators, a
// plain Z, 12 buttons, one hat, 1000 us sample period, auto-centre on.
GSIM_DEVICE_DESC plain_ff_device(DWORD instance_data1, const char* name);
void add_axis(GSIM_DEVICE_DESC& d, const GUID& type, DWORD ofs, DWORD instance, bool actuator);

// Log entries of one method, in call order.
std::vector<GSIM_CALL> calls_of(int method);
// Every device and effect method logged (no AddRef/Release/QueryInterface
// unless asked), as names, in call order.
std::vector<std::string> device_call_names(bool with_release = false);

EffectParams no_params();

class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens device `index` of the simulator; asserts success.
    int32_t open(int index);
    // Device objects that stay alive for good (never released by design).
    int kept_for_good_ = 0;
};

}  // namespace simtest
