#pragma once

namespace gantrel {

constexpr int kAbiVersion = 1;
constexpr char kVersionText[] = "0.9.5";

// "Mmm dd yyyy", the compiler's date of this build ("Sep  3 2026").
const char* build_date_text();

}  // namespace gantrel
