#pragma once
// When this program was built, as the window title and the About window show it.
const char* build_stamp();
