// File dialogs without a window: the in-app dialog's listing and choices, and
// the external dialog program played by a small shell script.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "app/panels/file_browser_model.h"
#include "app/shell/file_dialog.h"

namespace fs = std::filesystem;

namespace {

struct Scratch {
  std::string path;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "bq-dialog-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~Scratch() { fs::remove_all(path); }
  std::string make(const std::string& name, const std::string& text = "x") const {
    std::string file = path + "/" + name;
    std::ofstream(file) << text;
    return file;
  }
};

using Names = std::vector<std::string>;

TEST(FileDialogPatterns, MatchWithoutCaseAndWithStars) {
  EXPECT_TRUE(matches_pattern("Photo.PNG", "*.png"));
  EXPECT_TRUE(matches_pattern("photo.png", "*.PNG"));
  EXPECT_FALSE(matches_pattern("photo.png.txt", "*.png"));
  EXPECT_FALSE(matches_pattern("png", "*.png"));
  EXPECT_TRUE(matches_pattern("", "*"));
  EXPECT_TRUE(matches_pattern("no extension", "*"));
  EXPECT_TRUE(matches_pattern("abc", "a?c"));
  EXPECT_FALSE(matches_pattern("ac", "a?c"));
  // A star must give back what it took when a later part fails.
  EXPECT_TRUE(matches_pattern("x.tar.tar.gz", "*.tar.gz"));
  EXPECT_TRUE(matches_pattern("xaxxbb", "*a*b"));
  EXPECT_FALSE(matches_pattern("xaxxbc", "*a*b"));
}

TEST(FileDialogListing, FoldersFirstFilesFilteredHiddenLeftOut) {
  Scratch scratch;
  fs::create_directory(scratch.path + "/b-dir");
  fs::create_directory(scratch.path + "/A-dir");
  fs::create_directory(scratch.path + "/.cache");
  for (const char* name : {"z.PNG", "a.jpg", "notes.txt", ".hidden.png", "folder.png.bak"}) scratch.make(name);
  std::string tool = scratch.make("tool", "#!/bin/sh\n");
  fs::permissions(tool, fs::perms::owner_exec, fs::perm_options::add);

  const FileDialogDescription& images = describe(FileDialogPurpose::open_image);
  FolderListing listing = list_folder(scratch.path, images.filters[0]);
  EXPECT_TRUE(listing.readable);
  EXPECT_EQ(listing.folders, (Names{"..", "A-dir", "b-dir"}));
  EXPECT_EQ(listing.files, (Names{"a.jpg", "z.PNG"}));
  EXPECT_EQ(list_folder(scratch.path, images.filters.back()).files,
            (Names{"a.jpg", "folder.png.bak", "notes.txt", "tool", "z.PNG"}));
  // Programs carry no extension here: the file mode picks them.
  EXPECT_EQ(list_folder(scratch.path, describe(FileDialogPurpose::reference_program).filters[0]).files,
            (Names{"tool"}));

  Names root = list_folder("/", images.filters[0]).folders;
  EXPECT_EQ(std::find(root.begin(), root.end(), ".."), root.end());
  FolderListing missing = list_folder(scratch.path + "/gone", images.filters[0]);
  EXPECT_FALSE(missing.readable);
  EXPECT_TRUE(missing.files.empty());
}

TEST(FileDialogChoice, OpenNeedsAFileSaveAddsTheExtensionAndAsksBeforeReplacing) {
  Scratch scratch;
  fs::create_directory(scratch.path + "/sub");
  std::string existing = scratch.make("kept.png");
  const FileDialogDescription& open = describe(FileDialogPurpose::open_image);
  const FileDialogDescription& save = describe(FileDialogPurpose::save_image);

  EXPECT_EQ(choose_file(open, scratch.path, "").kind, FileChoice::refuse);
  EXPECT_TRUE(choose_file(open, scratch.path, "").message.empty());
  FileChoice missing = choose_file(open, scratch.path, "missing.png");
  EXPECT_EQ(missing.kind, FileChoice::refuse);
  EXPECT_NE(missing.message.find("missing.png"), std::string::npos);
  FileChoice folder = choose_file(open, scratch.path, "sub");
  EXPECT_EQ(folder.kind, FileChoice::enter_folder);
  EXPECT_EQ(folder.path, scratch.path + "/sub");
  EXPECT_EQ(choose_file(open, scratch.path + "/sub", "..").path, scratch.path);
  FileChoice opened = choose_file(open, scratch.path + "/sub", "../kept.png");
  EXPECT_EQ(opened.kind, FileChoice::accept);
  EXPECT_EQ(opened.path, existing);

  FileChoice fresh = choose_file(save, scratch.path, "result");
  EXPECT_EQ(fresh.kind, FileChoice::accept);
  EXPECT_EQ(fresh.path, scratch.path + "/result.png");
  // The name with its added extension is the one that must not be overwritten unasked.
  FileChoice replacing = choose_file(save, scratch.path, "kept");
  EXPECT_EQ(replacing.kind, FileChoice::ask_replace);
  EXPECT_EQ(replacing.path, existing);
  EXPECT_EQ(choose_file(save, scratch.path, "no/such/folder.png").kind, FileChoice::refuse);

  EXPECT_EQ(with_default_extension("/a.b/name", "txt"), "/a.b/name.txt");
  EXPECT_EQ(with_default_extension("/a/name.gpl", "txt"), "/a/name.gpl");
  EXPECT_EQ(with_default_extension("/a/name", ""), "/a/name");
}

TEST(FileDialogCommand, ZenityGetsFiltersAndTheInitialNameAStandInGetsThreeWords) {
  std::vector<std::string> save = dialog_command(describe(FileDialogPurpose::save_image), "", "/pictures");
  auto has = [](const std::vector<std::string>& command, const std::string& arg) {
    return std::find(command.begin(), command.end(), arg) != command.end();
  };
  EXPECT_EQ(save[0], "zenity");
  EXPECT_TRUE(has(save, "--save"));
  EXPECT_TRUE(has(save, "--confirm-overwrite"));
  EXPECT_TRUE(has(save, "--filename=/pictures/quantized.png"));
  EXPECT_TRUE(has(save, "--file-filter=PNG images | *.png *.PNG"));
  EXPECT_TRUE(has(save, "--file-filter=All files | *"));
  std::vector<std::string> program = dialog_command(describe(FileDialogPurpose::reference_program), "", "");
  EXPECT_FALSE(has(program, "--save"));
  EXPECT_EQ(std::count_if(program.begin(), program.end(),
                          [](const std::string& arg) { return arg.rfind("--file-filter=", 0) == 0; }),
            1);

  EXPECT_EQ(dialog_command(describe(FileDialogPurpose::save_pins), "/bin/pick", "/x"),
            (Names{"/bin/pick", "save", "pins", "pins.txt"}));
  EXPECT_EQ(dialog_command(describe(FileDialogPurpose::load_palette), "/bin/pick", ""),
            (Names{"/bin/pick", "open", "palette", "-"}));
}

// Answers with $ANSWER and exits with $STATUS; records its arguments.
class StandInDialog : public ::testing::Test {
 protected:
  Scratch scratch;
  std::string args_file = scratch.path + "/args";
  std::mutex mutex;
  std::condition_variable woken;
  int wakes = 0;
  FileDialogs dialogs{[this] {
    std::lock_guard<std::mutex> lock(mutex);
    ++wakes;
    woken.notify_all();
  }};

  void SetUp() override {
    std::string script = scratch.make("pick.sh",
                                      "#!/bin/sh\necho \"$@\" > '" + args_file +
                                          "'\n[ -n \"$SLEEP\" ] && sleep \"$SLEEP\"\n"
                                          "printf '%s\\n' \"$ANSWER\"\nexit ${STATUS:-0}\n");
    chmod(script.c_str(), 0755);
    setenv("BRISEL_FILE_DIALOG", script.c_str(), 1);
    unsetenv("SLEEP");
    unsetenv("STATUS");
  }
  void TearDown() override {
    dialogs.close();
    unsetenv("BRISEL_FILE_DIALOG");
    unsetenv("ANSWER");
    unsetenv("STATUS");
    unsetenv("SLEEP");
  }

  int wake_count() {
    std::lock_guard<std::mutex> lock(mutex);
    return wakes;
  }
  bool wait_for_wake(int count) {
    std::unique_lock<std::mutex> lock(mutex);
    return woken.wait_for(lock, std::chrono::seconds(20), [&] { return wakes >= count; });
  }
  std::optional<FileDialogResult> run(FileDialogPurpose purpose, const std::string& answer) {
    setenv("ANSWER", answer.c_str(), 1);
    int before = wake_count();
    if (!dialogs.start(purpose) || !wait_for_wake(before + 1)) return std::nullopt;
    return dialogs.take();
  }
  std::string args() const {
    std::ifstream in(args_file);
    std::string line;
    std::getline(in, line);
    return line;
  }
};

TEST_F(StandInDialog, ChosenFileArrivesWithAWakeAndOneDialogRunsAtATime) {
  std::string image = scratch.make("photo.jpg");
  setenv("SLEEP", "0.3", 1);
  setenv("ANSWER", image.c_str(), 1);
  ASSERT_TRUE(dialogs.start(FileDialogPurpose::open_image));
  EXPECT_TRUE(dialogs.is_open());
  EXPECT_FALSE(dialogs.start(FileDialogPurpose::save_pins));
  EXPECT_FALSE(dialogs.take());
  ASSERT_TRUE(wait_for_wake(1));
  std::optional<FileDialogResult> result = dialogs.take();
  ASSERT_TRUE(result);
  EXPECT_EQ(result->purpose, FileDialogPurpose::open_image);
  EXPECT_EQ(result->path, image);
  EXPECT_EQ(args(), "open image -");
  EXPECT_FALSE(dialogs.is_open());
  EXPECT_FALSE(dialogs.take());  // taken once
}

TEST_F(StandInDialog, FailureOrAMissingFileIsACancel) {
  setenv("STATUS", "1", 1);
  std::optional<FileDialogResult> cancelled = run(FileDialogPurpose::load_pins, scratch.make("pins.txt"));
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(cancelled->purpose, FileDialogPurpose::load_pins);
  EXPECT_EQ(cancelled->path, "");
  unsetenv("STATUS");
  std::optional<FileDialogResult> missing = run(FileDialogPurpose::load_palette, scratch.path + "/gone.gpl");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->path, "");
  std::optional<FileDialogResult> folder = run(FileDialogPurpose::save_palette, scratch.path + "/no/such.gpl");
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->path, "");
}

TEST_F(StandInDialog, SaveAddsTheExtensionButNeverOverwritesUnasked) {
  std::optional<FileDialogResult> saved = run(FileDialogPurpose::save_pins, scratch.path + "/mine");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->path, scratch.path + "/mine.txt");
  EXPECT_EQ(args(), "save pins pins.txt");
  std::optional<FileDialogResult> kept = run(FileDialogPurpose::save_palette, scratch.path + "/mine.gpl");
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->path, scratch.path + "/mine.gpl");

  // The dialog asked about "old", not "old.png": the window has to ask first.
  scratch.make("old.png");
  setenv("ANSWER", (scratch.path + "/old").c_str(), 1);
  ASSERT_TRUE(dialogs.start(FileDialogPurpose::save_image));
  ASSERT_TRUE(wait_for_wake(wake_count() + 1));
  EXPECT_FALSE(dialogs.take());
  EXPECT_TRUE(dialogs.is_open());
}

// Opening an image starts in the shown image's folder, else where the last file
// was chosen; zenity (played by the script) is told so.
TEST_F(StandInDialog, OpenStartsInTheImagesFolderElseTheLastOne) {
  fs::create_directories(scratch.path + "/bin");
  fs::create_directories(scratch.path + "/photos");
  fs::create_directories(scratch.path + "/palettes");
  fs::create_symlink(std::getenv("BRISEL_FILE_DIALOG"), scratch.path + "/bin/zenity");
  unsetenv("BRISEL_FILE_DIALOG");
  std::string path = std::getenv("PATH");
  setenv("PATH", (scratch.path + "/bin:" + path).c_str(), 1);
  std::string palette = scratch.make("palettes/warm.gpl");

  auto started_in = [&](FileDialogPurpose purpose, const std::string& image, const std::string& answer) {
    setenv("ANSWER", answer.c_str(), 1);
    int before = wake_count();
    EXPECT_TRUE(dialogs.start(purpose, image));
    EXPECT_TRUE(wait_for_wake(before + 1));
    dialogs.take();
    std::string said = args();
    std::size_t at = said.find("--filename=");
    return at == std::string::npos ? std::string() : said.substr(at + 11, said.find(' ', at) - at - 11);
  };
  EXPECT_EQ(started_in(FileDialogPurpose::open_image, scratch.path + "/photos/cat.png", ""),
            scratch.path + "/photos/");
  EXPECT_EQ(started_in(FileDialogPurpose::load_palette, scratch.path + "/photos/cat.png", palette), "");
  EXPECT_EQ(started_in(FileDialogPurpose::open_image, "", ""), scratch.path + "/palettes/");
  setenv("PATH", path.c_str(), 1);
}

TEST_F(StandInDialog, ClosingStopsARunningDialogAndAMissingProgramFallsBackToTheWindow) {
  setenv("SLEEP", "60", 1);
  ASSERT_TRUE(dialogs.start(FileDialogPurpose::open_image));
  auto begin = std::chrono::steady_clock::now();
  dialogs.close();
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
  EXPECT_FALSE(dialogs.is_open());
  EXPECT_EQ(wake_count(), 0);

  setenv("BRISEL_FILE_DIALOG", (scratch.path + "/not-there").c_str(), 1);
  ASSERT_TRUE(dialogs.start(FileDialogPurpose::open_image));
  EXPECT_TRUE(dialogs.is_open());  // drawn in the window from the next frame
  EXPECT_FALSE(dialogs.take());
}

}  // namespace
