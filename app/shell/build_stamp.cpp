#include "app/shell/build_stamp.h"

const char* build_stamp() { return __DATE__ " " __TIME__; }
