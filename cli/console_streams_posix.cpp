#include "cli/console_streams.h"

void attach_console_streams() {}
