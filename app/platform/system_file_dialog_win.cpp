// The common item dialogs (IFileOpenDialog, IFileSaveDialog), each on a thread
// of its own with its own COM apartment, owned by the main window.
#include "app/platform/system_file_dialog.h"

#include <windows.h>

#include <shobjidl.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/platform/desktop_window_win.h"
#include "app/platform/wide_text_win.h"
#include "app/ui/translate.h"

namespace {

// What the dialog shows, made on the main thread: the translations are read there.
struct Request {
  bool save = false;
  std::wstring title;
  std::vector<std::pair<std::wstring, std::wstring>> filters;  // name, "*.png;*.jpg"
  std::wstring extension;
  std::wstring initial_name;
  std::wstring folder;
  HWND owner = nullptr;
};

Request request_for(const FileDialogDescription& description, const std::string& folder) {
  Request request;
  request.save = description.save;
  request.title = utf16_from_utf8(translate(description.title));
  for (const FileFilter& filter : description.filters) {
    std::wstring spec;
    for (const char* pattern : filter.patterns) {
      std::string one = filter.executables_only ? "*.exe" : (std::string(pattern) == "*" ? "*.*" : pattern);
      if (!spec.empty()) spec += L";";
      spec += utf16_from_utf8(one);
    }
    request.filters.emplace_back(utf16_from_utf8(translate(filter.name)), spec);
  }
  request.extension = utf16_from_utf8(description.default_extension);
  request.initial_name = utf16_from_utf8(description.initial_name);
  request.folder = utf16_from_utf8(folder);
  if (DesktopWindow::Native* native = main_window_native()) request.owner = native->window;
  return request;
}

std::string ask(const Request& request) {
  IFileDialog* dialog = nullptr;
  HRESULT result = CoCreateInstance(request.save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
                                    CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog));
  if (FAILED(result)) return {};
  std::vector<COMDLG_FILTERSPEC> specs;
  for (const auto& [name, spec] : request.filters) specs.push_back({name.c_str(), spec.c_str()});
  if (!specs.empty()) dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
  dialog->SetTitle(request.title.c_str());
  if (!request.extension.empty()) dialog->SetDefaultExtension(request.extension.c_str());
  if (!request.initial_name.empty()) dialog->SetFileName(request.initial_name.c_str());
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  options |= FOS_FORCEFILESYSTEM | (request.save ? FOS_OVERWRITEPROMPT : FOS_FILEMUSTEXIST);
  dialog->SetOptions(options);
  IShellItem* start = nullptr;
  if (!request.folder.empty() &&
      SUCCEEDED(SHCreateItemFromParsingName(request.folder.c_str(), nullptr, IID_PPV_ARGS(&start)))) {
    dialog->SetFolder(start);
    start->Release();
  }
  std::string chosen;
  IShellItem* item = nullptr;
  if (SUCCEEDED(dialog->Show(request.owner)) && SUCCEEDED(dialog->GetResult(&item))) {
    PWSTR path = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
      chosen = utf8_from_utf16(path);
      CoTaskMemFree(path);
    }
    item->Release();
  }
  dialog->Release();
  return chosen;
}

BOOL CALLBACK close_window(HWND window, LPARAM) {
  PostMessageW(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

struct SystemFileDialog::State {
  std::thread thread;
  std::atomic<DWORD> thread_id{0};
  std::atomic<bool> running{false};
};

SystemFileDialog::SystemFileDialog() : state_(std::make_unique<State>()) {}

SystemFileDialog::~SystemFileDialog() {
  // A dialog still open is cancelled through its windows' close messages. Meanwhile
  // the messages it sends to its owner, the main window, are answered: it waits for them.
  while (state_->running.load()) {
    if (DWORD id = state_->thread_id.load()) EnumThreadWindows(id, close_window, 0);
    MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_SENDMESSAGE, 0);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  if (state_->thread.joinable()) state_->thread.join();
}

bool SystemFileDialog::start(const FileDialogDescription& description, const std::string& folder,
                             std::function<void(std::string)> done) {
  if (state_->thread.joinable()) return false;
  Request request = request_for(description, folder);
  state_->running = true;
  state_->thread = std::thread([state = state_.get(), request = std::move(request), done = std::move(done)] {
    state->thread_id = GetCurrentThreadId();
    std::string chosen;
    if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
      chosen = ask(request);
      CoUninitialize();
    }
    state->running = false;
    done(std::move(chosen));
  });
  return true;
}
