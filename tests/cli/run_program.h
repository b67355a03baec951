#pragma once
// Runs the built executable in a scratch folder and captures what it says.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/program_launch.h"
#include "tests/support/scratch_path.h"

struct ProgramRun {
  int exit_code = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// A fresh folder that also serves as the home and settings folders (HOME,
// XDG_CONFIG_HOME, APPDATA), removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() : path_(make_scratch_folder("bq_cli_")) {
    std::filesystem::create_directories(config_home());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  std::string config_home() const { return path_ + "/config"; }
  std::string settings_file() const { return config_home() + "/Brisel Quantizer/settings.ini"; }

  void write_settings(const std::string& text) const {
    std::filesystem::create_directories(config_home() + "/Brisel Quantizer");
    std::ofstream(settings_file(), std::ios::binary) << text;
  }

  // Runs the executable with `arguments` from inside the folder; `environment`
  // adds or replaces variables (an empty value removes one).
  ProgramRun run(const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& environment = {}) const {
    return finish(start(arguments, environment));
  }

  // Starts the executable as run() does without waiting; finish() waits for it.
  ProgramProcess start(const std::vector<std::string>& arguments,
                       const std::vector<std::pair<std::string, std::string>>& environment = {}) const {
    ProgramLaunch launch{BQ_EXE_PATH, arguments, path_, stdin_path_, out_file(), err_file(),
                         {{"HOME", path_}, {"XDG_CONFIG_HOME", config_home()}, {"APPDATA", config_home()}}};
    launch.environment.insert(launch.environment.end(), environment.begin(), environment.end());
    return start_program(launch);
  }

  ProgramRun finish(ProgramProcess process) const {
    ProgramRun result;
    result.exit_code = finish_program(process);
    result.out = read_all(out_file());
    result.err = read_all(err_file());
    std::filesystem::remove(out_file());
    std::filesystem::remove(err_file());
    return result;
  }

  // Later runs read standard input from this file.
  void feed_stdin(const std::string& path) { stdin_path_ = path; }

  static std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  std::string out_file() const { return path_ + "/.stdout"; }
  std::string err_file() const { return path_ + "/.stderr"; }
  std::string path_;
  std::string stdin_path_;
};
