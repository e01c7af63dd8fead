// The probe's commands. Each takes the words after its name and returns the
// exit status, or throws a ProbeError.
#pragma once
#include "device_list.h"
#include "game_controllers.h"
#include "probe.h"

#include <cstdint>
#include <string>
#include <vector>

namespace probe {

int list_command(const std::vector<std::string> &words, Io &io);
int info_command(const std::vector<std::string> &words, Io &io);
int poll_command(const std::vector<std::string> &words, Io &io);
int play_command(const std::vector<std::string> &words, Io &io);
int test_command(const std::vector<std::string> &words, Io &io);
int check_command(const std::vector<std::string> &words, Io &io);
int demo_command(const std::vector<std::string> &words, Io &io);

// Pieces the demo shares with list and info.
void print_device_table(const std::vector<DeviceEntry> &devices, Io &io);
void print_device_info(const DeviceChoice &choice, Io &io);

}  // namespace probe
