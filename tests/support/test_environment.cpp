#include "tests/support/test_environment.h"

#include <cstdlib>

namespace {

const char* const kTemporaryVariables[3] = {"TMPDIR", "TMP", "TEMP"};

}  // namespace

TemporaryFolderOverride::TemporaryFolderOverride(const std::string& folder) {
  for (int i = 0; i < 3; ++i) {
    const char* value = std::getenv(kTemporaryVariables[i]);
    earlier_[i] = value != nullptr ? value : "";
    set_variable(kTemporaryVariables[i], folder);
  }
}

TemporaryFolderOverride::~TemporaryFolderOverride() {
  for (int i = 0; i < 3; ++i) set_variable(kTemporaryVariables[i], earlier_[i]);
}
