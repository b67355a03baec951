#include "tests/io/special_files.h"

std::vector<std::string> special_files(const ScratchFolder&) { return {"NUL"}; }
