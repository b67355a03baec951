#pragma once
// Runs the built executable in a scratch folder and captures what it says.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

struct ProgramRun {
  int exit_code = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
};

// A fresh folder that also serves as HOME and XDG_CONFIG_HOME, removed at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/bq_cli_XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data())) path_ = name.data();
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
  pid_t start(const std::vector<std::string>& arguments,
              const std::vector<std::pair<std::string, std::string>>& environment = {}) const {
    std::string out_file = path_ + "/.stdout", err_file = path_ + "/.stderr";
    pid_t child = fork();
    if (child == 0) {
      if (chdir(path_.c_str()) != 0) _exit(127);
      int out = open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, 1);
      dup2(err, 2);
      if (!stdin_path_.empty()) {
        int in = open(stdin_path_.c_str(), O_RDONLY);
        dup2(in, 0);
      }
      setenv("HOME", path_.c_str(), 1);
      setenv("XDG_CONFIG_HOME", config_home().c_str(), 1);
      for (const auto& [name, value] : environment) {
        if (value.empty())
          unsetenv(name.c_str());
        else
          setenv(name.c_str(), value.c_str(), 1);
      }
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(BQ_EXE_PATH));
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(BQ_EXE_PATH, argv.data());
      _exit(127);
    }
    return child;
  }

  ProgramRun finish(pid_t child) const {
    std::string out_file = path_ + "/.stdout", err_file = path_ + "/.stderr";
    ProgramRun result;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
      result.exit_code = WEXITSTATUS(status);
    result.out = read_all(out_file);
    result.err = read_all(err_file);
    std::filesystem::remove(out_file);
    std::filesystem::remove(err_file);
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
  std::string path_;
  std::string stdin_path_;
};
