// The clipboard owner on X11: a connection and an unmapped window of its own,
// served by its own thread, which answers the selection requests of other
// clients (ICCCM), sending large answers in pieces by the INCR protocol.
#include "app/platform/clipboard_owner.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

constexpr std::size_t kLargestPiece = 256 * 1024;  // larger answers go by INCR
constexpr auto kOfferWait = std::chrono::seconds(5);
constexpr auto kStalledTransfer = std::chrono::seconds(30);  // a requestor that stopped reading
constexpr int kPollMs = 1000;

// Xlib's error handler is one for the whole process. Ours swallows the errors
// a requestor causes on our connection by going away in the middle of an
// answer (its window or property gone); everything else goes to the handler
// that was there before.
std::atomic<Display*> g_connection{nullptr};
XErrorHandler g_previous_handler = nullptr;

int requestor_error_handler(Display* display, XErrorEvent* error) {
  if (display == g_connection.load() &&
      (error->error_code == BadWindow || error->error_code == BadAtom || error->error_code == BadMatch))
    return 0;
  return g_previous_handler != nullptr ? g_previous_handler(display, error) : 0;
}

// ICCCM's STRING is Latin-1: characters beyond it become '?'.
std::string latin1_text(const std::string& utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    if (length == 2 && i + 1 < utf8.size() && c <= 0xC3)
      out.push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F)));
    else
      out.push_back(length == 1 && c < 0x80 ? static_cast<char>(c) : '?');
    i += std::min<std::size_t>(length, utf8.size() - i);
  }
  return out;
}

enum AtomName {
  kClipboard, kTargets, kTimestamp, kMultiple, kAtomPair, kIncr, kUtf8String, kTextPlainUtf8,
  kImagePng, kImageBmp, kStampProperty, kAtomCount
};
const char* const kAtomNames[kAtomCount] = {
    "CLIPBOARD", "TARGETS", "TIMESTAMP", "MULTIPLE", "ATOM_PAIR", "INCR", "UTF8_STRING",
    "text/plain;charset=utf-8", "image/png", "image/bmp", "BRISEL_CLIPBOARD_STAMP"};

// One INCR answer in progress.
struct Transfer {
  Window requestor = None;
  Atom property = None;
  Atom type = None;
  Bytes data;
  std::size_t sent = 0;
  Clock::time_point last_step;
};

}  // namespace

struct ClipboardOwner::State {
  // ---- Shared with the calling thread, under `mutex`.
  std::mutex mutex;
  std::condition_variable answered;
  bool stop_requested = false;
  bool has_pending = false;
  ClipboardOffer pending;
  std::uint64_t pending_id = 0;
  std::uint64_t answered_id = 0;
  bool answered_ok = false;

  // ---- The owner thread's alone once it runs.
  Display* display = nullptr;
  Window window = None;
  Atom atoms[kAtomCount] = {};
  int wake_read = -1, wake_write = -1;
  std::size_t piece = kLargestPiece;
  std::thread thread;
  Bytes png, bmp, text, latin1;
  bool owned = false;
  Time owned_since = CurrentTime;
  std::uint64_t acquiring_id = 0;  // 0: no acquisition waiting for its time stamp
  std::vector<Transfer> transfers;

  void run();
  void take_pending();
  void handle(XEvent& event);
  void finish_acquiring(Time time);
  void answer(const XSelectionRequestEvent& request);
  bool convert(Window requestor, Atom target, Atom property);
  bool convert_multiple(Window requestor, Atom property);
  void send_bytes(Window requestor, Atom property, Atom type, const Bytes& data);
  void step_transfer(Window requestor, Atom property);
  void end_transfer(std::size_t i, bool window_alive);
  void drop_stalled_transfers();
  void report(std::uint64_t id, bool ok);
};

namespace {

Bytes shared_bytes(std::vector<std::uint8_t>&& bytes) {
  return bytes.empty() ? nullptr : std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
}

Bytes shared_text(const std::string& text) {
  return text.empty() ? nullptr : std::make_shared<const std::vector<std::uint8_t>>(text.begin(), text.end());
}

}  // namespace

void ClipboardOwner::State::report(std::uint64_t id, bool ok) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    answered_id = id;
    answered_ok = ok;
  }
  answered.notify_all();
}

void ClipboardOwner::State::take_pending() {
  ClipboardOffer offer;
  std::uint64_t id = 0;
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!has_pending) return;
    offer = std::move(pending);
    pending = ClipboardOffer{};
    has_pending = false;
    id = pending_id;
  }
  png = shared_bytes(std::move(offer.png));
  bmp = shared_bytes(std::move(offer.bmp));
  text = shared_text(offer.text);
  latin1 = text ? shared_text(latin1_text(offer.text)) : nullptr;
  // Taking a selection needs a time from the server: appending nothing to a
  // property of our window makes it send one.
  XChangeProperty(display, window, atoms[kStampProperty], XA_STRING, 8, PropModeAppend, nullptr, 0);
  acquiring_id = id;
}

void ClipboardOwner::State::finish_acquiring(Time time) {
  XSetSelectionOwner(display, atoms[kClipboard], window, time);
  owned = XGetSelectionOwner(display, atoms[kClipboard]) == window;
  owned_since = time;
  std::uint64_t id = acquiring_id;
  acquiring_id = 0;
  report(id, owned);
}

void ClipboardOwner::State::send_bytes(Window requestor, Atom property, Atom type, const Bytes& data) {
  if (data->size() <= piece) {
    XChangeProperty(display, requestor, property, type, 8, PropModeReplace, data->data(),
                    static_cast<int>(data->size()));
    return;
  }
  for (std::size_t i = 0; i < transfers.size(); ++i)
    if (transfers[i].requestor == requestor && transfers[i].property == property) {
      end_transfer(i, true);
      break;
    }
  // Watch the requestor's property deletions (each asks for the next piece) and its end.
  XSelectInput(display, requestor, PropertyChangeMask | StructureNotifyMask);
  long size = static_cast<long>(data->size());
  XChangeProperty(display, requestor, property, atoms[kIncr], 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&size), 1);
  transfers.push_back({requestor, property, type, data, 0, Clock::now()});
}

void ClipboardOwner::State::step_transfer(Window requestor, Atom property) {
  for (std::size_t i = 0; i < transfers.size(); ++i) {
    Transfer& transfer = transfers[i];
    if (transfer.requestor != requestor || transfer.property != property) continue;
    std::size_t left = transfer.data->size() - transfer.sent;
    std::size_t length = std::min(left, piece);
    // A piece of no bytes after the last one ends the transfer.
    XChangeProperty(display, requestor, property, transfer.type, 8, PropModeReplace,
                    transfer.data->data() + transfer.sent, static_cast<int>(length));
    transfer.sent += length;
    transfer.last_step = Clock::now();
    if (length == 0) end_transfer(i, true);
    return;
  }
}

void ClipboardOwner::State::end_transfer(std::size_t i, bool window_alive) {
  Window requestor = transfers[i].requestor;
  transfers.erase(transfers.begin() + static_cast<std::ptrdiff_t>(i));
  if (!window_alive) return;
  bool still_used = std::any_of(transfers.begin(), transfers.end(),
                                [&](const Transfer& t) { return t.requestor == requestor; });
  if (!still_used) XSelectInput(display, requestor, NoEventMask);
}

void ClipboardOwner::State::drop_stalled_transfers() {
  Clock::time_point now = Clock::now();
  for (std::size_t i = transfers.size(); i-- > 0;)
    if (now - transfers[i].last_step > kStalledTransfer) end_transfer(i, true);
}

bool ClipboardOwner::State::convert(Window requestor, Atom target, Atom property) {
  const bool image = png || bmp;
  if (target == atoms[kTargets]) {
    std::vector<long> offered = {static_cast<long>(atoms[kTargets]), static_cast<long>(atoms[kTimestamp]),
                                 static_cast<long>(atoms[kMultiple])};
    if (png) offered.push_back(static_cast<long>(atoms[kImagePng]));
    if (bmp) offered.push_back(static_cast<long>(atoms[kImageBmp]));
    if (text && !image)
      for (Atom a : {atoms[kUtf8String], atoms[kTextPlainUtf8], Atom{XA_STRING}}) offered.push_back(static_cast<long>(a));
    XChangeProperty(display, requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(offered.data()), static_cast<int>(offered.size()));
    return true;
  }
  if (target == atoms[kTimestamp]) {
    long time = static_cast<long>(owned_since);
    XChangeProperty(display, requestor, property, XA_INTEGER, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&time), 1);
    return true;
  }
  Bytes data;
  if (target == atoms[kImagePng]) data = png;
  if (target == atoms[kImageBmp]) data = bmp;
  if (!image && (target == atoms[kUtf8String] || target == atoms[kTextPlainUtf8])) data = text;
  if (!image && target == XA_STRING) data = latin1;
  if (!data) return false;
  send_bytes(requestor, property, target, data);
  return true;
}

bool ClipboardOwner::State::convert_multiple(Window requestor, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* value = nullptr;
  if (XGetWindowProperty(display, requestor, property, 0, 1 << 16, False, AnyPropertyType, &type, &format,
                         &count, &after, &value) != Success || value == nullptr)
    return false;
  bool ok = format == 32 && count % 2 == 0;
  if (ok) {
    // Pairs of (target, property); a pair that cannot be converted gets None as its property.
    long* pairs = reinterpret_cast<long*>(value);
    for (unsigned long i = 0; i + 1 < count; i += 2) {
      Atom pair_property = static_cast<Atom>(pairs[i + 1]);
      Atom target = static_cast<Atom>(pairs[i]);
      if (pair_property == None || target == atoms[kMultiple] || !convert(requestor, target, pair_property))
        pairs[i + 1] = None;
    }
    XChangeProperty(display, requestor, property, atoms[kAtomPair], 32, PropModeReplace, value,
                    static_cast<int>(count));
  }
  XFree(value);
  return ok;
}

void ClipboardOwner::State::answer(const XSelectionRequestEvent& request) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = display;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = None;
  // Clients from before ICCCM name no property: the target serves as one.
  Atom property = request.property != None ? request.property : request.target;
  bool current = request.time == CurrentTime || request.time >= owned_since;
  if (owned && current && request.selection == atoms[kClipboard] && request.owner == window) {
    bool converted = request.target == atoms[kMultiple]
                         ? request.property != None && convert_multiple(request.requestor, property)
                         : convert(request.requestor, request.target, property);
    if (converted) reply.property = property;
  }
  XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
}

void ClipboardOwner::State::handle(XEvent& event) {
  switch (event.type) {
    case PropertyNotify: {
      const XPropertyEvent& property = event.xproperty;
      if (property.window == window) {
        if (acquiring_id != 0 && property.atom == atoms[kStampProperty] && property.state == PropertyNewValue)
          finish_acquiring(property.time);
      } else if (property.state == PropertyDelete) {
        step_transfer(property.window, property.atom);
      }
      break;
    }
    case SelectionRequest: answer(event.xselectionrequest); break;
    case SelectionClear:
      // Another client took the clipboard: what we offered is no longer asked for.
      if (event.xselectionclear.selection == atoms[kClipboard] && event.xselectionclear.window == window) {
        owned = false;
        png = bmp = text = latin1 = nullptr;
      }
      break;
    case DestroyNotify:
      for (std::size_t i = transfers.size(); i-- > 0;)
        if (transfers[i].requestor == event.xdestroywindow.window) end_transfer(i, false);
      break;
    default: break;
  }
}

void ClipboardOwner::State::run() {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (stop_requested) break;
    }
    take_pending();
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      handle(event);
    }
    drop_stalled_transfers();
    XFlush(display);
    // Writing a large piece can make Xlib read events while it waits for the
    // server; those are queued already and would not wake the poll.
    if (XEventsQueued(display, QueuedAlready) > 0) continue;
    pollfd waits[2] = {{ConnectionNumber(display), POLLIN, 0}, {wake_read, POLLIN, 0}};
    poll(waits, 2, kPollMs);
    if (waits[1].revents != 0) {
      char drained[64];
      while (read(wake_read, drained, sizeof drained) > 0) {
      }
    }
  }
  if (owned) XSetSelectionOwner(display, atoms[kClipboard], None, owned_since);
  XDestroyWindow(display, window);
  XSync(display, False);
}

ClipboardOwner::ClipboardOwner() : state_(std::make_unique<State>()) {}

ClipboardOwner::~ClipboardOwner() { stop(); }

bool ClipboardOwner::running() const { return state_->thread.joinable(); }

bool ClipboardOwner::start(std::string& message) {
  State& s = *state_;
  if (running()) return true;
  if (g_connection.load() != nullptr) {
    message = "another clipboard owner is running";
    return false;
  }
  s.display = XOpenDisplay(nullptr);
  if (s.display == nullptr) {
    message = "there is no X display";
    return false;
  }
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    XCloseDisplay(s.display);
    s.display = nullptr;
    message = "could not start the clipboard";
    return false;
  }
  s.stop_requested = false;
  s.wake_read = ends[0];
  s.wake_write = ends[1];
  XInternAtoms(s.display, const_cast<char**>(kAtomNames), kAtomCount, False, s.atoms);
  s.window = XCreateSimpleWindow(s.display, DefaultRootWindow(s.display), -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(s.display, s.window, PropertyChangeMask);
  long largest_request = XExtendedMaxRequestSize(s.display);
  if (largest_request == 0) largest_request = XMaxRequestSize(s.display);
  // Room for the request's own header within the largest request the server takes.
  s.piece = std::min<std::size_t>(kLargestPiece, static_cast<std::size_t>(largest_request) * 4 - 256);
  XFlush(s.display);
  g_connection.store(s.display);
  g_previous_handler = XSetErrorHandler(requestor_error_handler);
  s.thread = std::thread([&s] { s.run(); });
  return true;
}

bool ClipboardOwner::offer(ClipboardOffer offer, std::string& message) {
  State& s = *state_;
  if (!running()) {
    message = "the clipboard is not available";
    return false;
  }
  std::unique_lock<std::mutex> lock(s.mutex);
  s.pending = std::move(offer);
  s.has_pending = true;
  std::uint64_t id = ++s.pending_id;
  lock.unlock();
  char wake = 1;
  if (write(s.wake_write, &wake, 1) < 0) {
    // A full pipe already holds a wake-up.
  }
  lock.lock();
  bool answered = s.answered.wait_for(lock, kOfferWait, [&] { return s.answered_id >= id; });
  if (answered && s.answered_id == id && s.answered_ok) return true;
  message = "the clipboard is in use";
  return false;
}

void ClipboardOwner::stop() {
  State& s = *state_;
  if (!running()) return;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stop_requested = true;
  }
  char wake = 1;
  if (write(s.wake_write, &wake, 1) < 0) {
    // A full pipe already holds a wake-up.
  }
  s.thread.join();
  // Put the previous handler back, unless someone replaced ours meanwhile.
  XErrorHandler current = XSetErrorHandler(g_previous_handler);
  if (current != requestor_error_handler) XSetErrorHandler(current);
  g_connection.store(nullptr);
  XCloseDisplay(s.display);
  s.display = nullptr;
  close(s.wake_read);
  close(s.wake_write);
  s.wake_read = s.wake_write = -1;
}
