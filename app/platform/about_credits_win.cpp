#include "app/platform/about_credits.h"

const char* image_readers_credit() { return "Images read with libpng and the Windows Imaging Component."; }

const char* interface_credit_format() { return "Interface by Dear ImGui %s, Win32 and Direct3D 11."; }
