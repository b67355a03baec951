#pragma once
// The version --version names.
inline constexpr char kProgramVersion[] = "1.0";
