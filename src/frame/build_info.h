#pragma once

namespace gantrel {

constexpr int kAbiVersion = 1;
constexpr char kVersionText[] = "0.9.6";

// "Mmm dd yyyy", the date of this build ("Sep  3 2026"), in UTC from
// SOURCE_DATE_EPOCH when the build sets it.
const char* build_date_text();

}  // namespace gantrel
