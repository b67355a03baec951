#include "tests/support/scratch_path.h"

#include <filesystem>
#include <random>

std::string make_scratch_folder(const std::string& prefix) {
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return {};
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path folder = base / (prefix + std::to_string(random() % 1000000000u));
    // create_directory says false for a name already taken, so two runs never share one.
    if (std::filesystem::create_directory(folder, error)) return folder.generic_string();
  }
  return {};
}

bool make_symlink(const std::string& target, const std::string& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error;
}
