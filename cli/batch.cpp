#include "cli/batch.h"

const char* batch_usage_text() { return "usage: brisel_quantizer --nogui [options] image [image ...]\n"; }

int run_batch(int, char**, const std::string&) { return 1; }
