// gantrel-probe.exe: see help_text.cpp for what it does.
#include "interrupt.h"
#include "probe.h"

#include <windows.h>

#include <iostream>

int main(int argc, char **argv) {
    probe::watch_console_events();
    DWORD mode;
    probe::Io io{std::cout, std::cerr, GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0};
    return probe::run_probe(std::vector<std::string>(argv + 1, argv + argc), io);
}
