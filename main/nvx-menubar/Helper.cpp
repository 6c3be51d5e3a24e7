#include "Helper.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "MessageDecoder.h"
#include "Protocol.h"
#include "Uuid.h"

namespace nvx {
namespace {

// The hot key: the key in the L position of an ANSI keyboard with Control and Option (Alt).
constexpr std::uint32_t kKeyCodeL = 37;
constexpr std::uint32_t kControlOption = 0x1000 | 0x800;
constexpr platform::HotKeyId kHotKeyId{0x4E565843 /* 'NVXC' */, 1};

// The reader's stack, the same on every system: decoding deeply nested input recurses.
constexpr std::size_t kReaderStack = std::size_t{8} << 20;

constexpr double kCheckDelay = 2.0;
constexpr double kCheckDuration = 4.0;

// Environment switches are on only for exactly "1".
bool switchedOn(const char* name) {
  const char* value = std::getenv(name);
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace

struct Helper::MainLoopInput {
  LineReader reader;
  MessageDecoder decoder;
};

Helper::Helper(AgentPlatform platform, Streams streams)
    : platform_(platform),
      streams_(streams),
      parent_(platform.application.runningApplication(static_cast<int>(getppid()))) {}

Helper::~Helper() {
  if (!reader_.joinable()) return;
  // The reader may hold the last reference; it cannot wait for itself.
  if (reader_.isCurrent()) {
    reader_.detach();
  } else {
    reader_.join();
  }
}

void Helper::applicationDidFinishLaunching() {
  platform::Application& app = platform_.application;
  auto image = app.bundleImage(StatusMenu::kIconName);
  status_ = std::make_unique<StatusMenu>(
      std::move(image),
      [weak = weak_from_this()](std::string_view id) {
        if (auto self = weak.lock()) self->send(id);
      },
      platform_.ui);
  app.registerBundle();
  platform_.notifications.setDelegate(this);
  startReading();
  registerHotKey();
  if (switchedOn(protocol::kEnvShowMenu)) {
    platform_.ui.mainLoop().scheduleOnce(kCheckDelay, [self = shared_from_this()] {
      if (self->status_) self->status_->showMenuForCheck(kCheckDuration);
    });
  }
}

void Helper::startReading() {
  // On the main loop a line costs one wake-up instead of the reader's and the main thread's.
  input_.reset(new MainLoopInput{LineReader(streams_.in, streams_.read), MessageDecoder()});
  const bool watched = platform_.application.watchReadable(streams_.in, [weak = weak_from_this()] {
    auto self = weak.lock();
    return self && self->readAvailable();
  });
  if (watched) return;
  input_.reset();
  reader_ = Thread(kReaderStack, [self = shared_from_this()] { self->readInput(); });
}

bool Helper::readAvailable() {
  const bool more = input_->reader.readAvailable([this](std::string_view line) {
    if (auto message = input_->decoder.decode(line)) apply(std::move(*message));
  });
  if (!more) platform_.application.post([&app = platform_.application] { app.terminate(); });
  return more;
}

void Helper::readInput() {
  platform::Application& app = platform_.application;
  MessageDecoder decoder;
  LineReader reader(streams_.in, streams_.read);
  reader.run([&](std::string_view line) {
    auto message = decoder.decode(line);
    if (!message) return;
    app.post([self = shared_from_this(), message = std::move(*message)]() mutable {
      self->apply(std::move(message));
    });
  });
  app.post([&app] { app.terminate(); });
}

void Helper::apply(Message message) {
  if (message.menu && status_) {
    status_->update(std::move(*message.menu));
    if (switchedOn(protocol::kEnvDumpMenu)) {
      writeAll(streams_.err, status_->describe() + "\n", streams_.write);
    }
  }
  if (message.notify) notify(*message.notify);
}

void Helper::send(std::string_view text) {
  if (parent_ && !protocol::isQuietAction(text)) {
    platform_.application.yieldActivation(*parent_);
  }
  writeAll(streams_.out, protocol::eventLine(text), streams_.write);
}

void Helper::notify(const Message::Note& note) {
  platform::NotificationCenter& center = platform_.notifications;
  center.requestAuthorization(
      platform::kAuthorizationSound | platform::kAuthorizationAlert,
      [&center, title = note.title, body = note.body](bool granted) {
        if (!granted) return;
        center.add(
            {.identifier = newUuidString(), .title = title, .body = body, .defaultSound = true});
      });
}

unsigned Helper::willPresentNotification() {
  return platform::kPresentationBanner | platform::kPresentationSound;
}

void Helper::didReceiveNotificationResponse(std::function<void()> completion) {
  platform_.application.post([self = shared_from_this()] { self->send(protocol::kEventOpen); });
  completion();
}

void Helper::registerHotKey() {
  // Weak, so that a press arriving after the Helper is gone does nothing.
  platform_.hotKeys.installHandler([weak = weak_from_this()] {
    if (auto self = weak.lock()) self->send(protocol::kEventCard);
  });
  hotKey_ = platform_.hotKeys.registerHotKey(kKeyCodeL, kControlOption, kHotKeyId);
}

void Helper::joinReader() {
  if (reader_.joinable()) reader_.join();
}

}  // namespace nvx
