#include "tests/support/scratch_path.h"

// Windows guards folders with access lists, not a read-only bit; Wine has neither.
bool make_read_only_folder(const std::string&) { return false; }
