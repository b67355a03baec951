#include "app/platform/follow_desktop_label.h"

const char* follow_desktop_label() { return "Follo&w Windows"; }
