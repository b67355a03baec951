#include "app/shell/file_dialog.h"

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/panels/file_browser.h"
#include "app/platform/output_program.h"
#include "app/platform/system_file_dialog.h"

namespace fs = std::filesystem;

// Runs one dialog program and hands its output to `done` on its own thread.
class DialogThread {
 public:
  bool start(const std::vector<std::string>& command, std::function<void(std::string)> done) {
    if (!program_.start(command)) return false;
    thread_ = std::thread([this, done = std::move(done)] { done(program_.finish().value_or(std::string())); });
    return true;
  }
  ~DialogThread() {
    program_.stop();
    if (thread_.joinable()) thread_.join();
  }

 private:
  OutputProgram program_;
  std::thread thread_;
};

FileDialogs::FileDialogs(std::function<void()> wake) : wake_(std::move(wake)) {}

FileDialogs::~FileDialogs() { close(); }

void FileDialogs::set_wake(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(mutex_);
  wake_ = std::move(wake);
}

std::string FileDialogs::external_program() {
  const char* stand_in = std::getenv("BRISEL_FILE_DIALOG");
  if (stand_in != nullptr && *stand_in != '\0') return stand_in;
  return program_on_path("zenity") ? "zenity" : std::string();
}

bool FileDialogs::start(FileDialogPurpose purpose, const std::string& current_image) {
  if (is_open()) return false;
  const FileDialogDescription& description = describe(purpose);
  std::string folder = folder_;
  std::error_code error;
  if (purpose == FileDialogPurpose::open_image && !current_image.empty()) {
    fs::path image = fs::absolute(current_image, error);
    if (!error) folder = image.parent_path().string();
  }
  std::string program = external_program();
  // A stand-in program comes first; then the system's own dialog, where there is one.
  if (program.empty() || program == "zenity") {
    auto system = std::make_unique<SystemFileDialog>();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = purpose;
    }
    if (system->start(description, folder, [this](std::string chosen) { finish_external(std::move(chosen)); })) {
      system_ = std::move(system);
      return true;
    }
  }
  if (!program.empty()) {
    auto thread = std::make_unique<DialogThread>();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = purpose;
    }
    std::string stand_in = program == "zenity" ? std::string() : program;
    if (thread->start(dialog_command(description, stand_in, folder),
                      [this](std::string printed) { finish_external(std::move(printed)); })) {
      thread_ = std::move(thread);
      return true;
    }
  }
  // No dialog program, or it could not start: the window draws its own.
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = purpose;
  browser_ = std::make_unique<FileBrowser>(description, folder);
  return true;
}

void FileDialogs::finish_external(std::string printed) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return;
    const FileDialogDescription& description = describe(*open_);
    std::string path = accepted_path(description, printed);
    // The dialog asked about the name it returned, not the one with the extension added.
    std::string returned_name = fs::path(printed.substr(0, printed.find('\n'))).filename().string();
    std::error_code error;
    if (description.save && !path.empty() && fs::path(path).filename() != returned_name && fs::exists(path, error))
      question_path_ = path;
    else
      ready_ = FileDialogResult{*open_, path};
  }
  wake();
}

void FileDialogs::wake() {
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    wake = wake_;
  }
  if (wake) wake();
}

void FileDialogs::draw() {
  if (browser_ && browser_->draw()) {
    std::lock_guard<std::mutex> lock(mutex_);
    ready_ = FileDialogResult{*open_, browser_->chosen()};
    browser_.reset();
  }
  std::string question;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    question = question_path_;
  }
  if (question.empty()) return;
  ReplaceAnswer answer = ask_replace("##replace_external", question);
  if (answer == ReplaceAnswer::pending) return;
  std::lock_guard<std::mutex> lock(mutex_);
  question_path_.clear();
  ready_ = FileDialogResult{*open_, answer == ReplaceAnswer::replace ? question : std::string()};
}

std::optional<FileDialogResult> FileDialogs::take() {
  std::optional<FileDialogResult> result;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_) return std::nullopt;
    result = std::move(ready_);
    ready_.reset();
    open_.reset();
  }
  thread_.reset();  // its program has ended
  system_.reset();
  if (!result->path.empty()) folder_ = fs::path(result->path).parent_path().string();
  return result;
}

bool FileDialogs::is_open() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_.has_value();
}

void FileDialogs::close() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.reset();  // the stopped program's answer is dropped unwoken
  }
  thread_.reset();  // stops the program; its thread has ended afterwards
  system_.reset();  // closes the system's dialog
  std::lock_guard<std::mutex> lock(mutex_);
  browser_.reset();
  ready_.reset();
  question_path_.clear();
}
