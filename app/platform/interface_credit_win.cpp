#include "app/platform/interface_credit.h"

const char* interface_credit_format() { return "Interface by Dear ImGui %s, Win32 and Direct3D 11."; }
