#include "app/shell/interface_scale.h"

InterfaceScale& interface_scale() {
  static InterfaceScale scale;
  return scale;
}
