#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "Message.h"
#include "StatusMenu/StatusMenu.h"
#include "Thread.h"
#include "platform/Application.h"
#include "platform/HotKeys.h"
#include "platform/NotificationCenter.h"
#include "platform/Toolkit.h"
#include "platform/streams/LineReader.h"
#include "platform/streams/WriteAll.h"

namespace nvx {

// What the agent asks of the system, supplied by the program's entry for its platform.
struct AgentPlatform {
  platform::Application& application;
  platform::Toolkit& ui;
  platform::NotificationCenter& notifications;
  platform::HotKeys& hotKeys;
};

// The agent's standard streams and the system calls on them; tests point them elsewhere.
struct Streams {
  int in = 0;
  int out = 1;
  int err = 2;
  LineReader::ReadFn read = nullptr;
  WriteFn write = nullptr;
};

// The agent's application delegate: builds the status menu at launch, reads the parent's
// messages (on the main loop where the application watches descriptors, otherwise on a thread
// of its own) and applies them on the main thread, and writes an event
// line for every user action. Lives for the whole process (see Main).
class Helper final : public platform::ApplicationDelegate,
                     public platform::NotificationDelegate,
                     public std::enable_shared_from_this<Helper> {
 public:
  // Looks up the parent application once, from the parent process id.
  explicit Helper(AgentPlatform platform, Streams streams = {});
  ~Helper() override;
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  // The launch sequence: icon, status menu, bundle registration, notification delegate,
  // reader thread, hot key, and the check display when NVX_SHOW_MENU is "1".
  void applicationDidFinishLaunching() override;

  // The reading loop of the reader thread: decodes each line and queues it for the main
  // thread; at end of input queues the termination behind every message.
  void readInput();

  // Reading on the main loop instead, where the application watches descriptors: applies the
  // lines of one read of the input; at end of input queues the termination behind every task.
  // Returns whether more input may come.
  bool readAvailable();

  // Writes the event line for `text`, first letting the parent activate unless the text is
  // one of the quiet actions. Main thread only.
  void send(std::string_view text);

  // Posts `note` as a system notification once the system allows it. Main thread only.
  void notify(const Message::Note& note);

  // Claims Control-Option-L; each press sends "card".
  void registerHotKey();

  unsigned willPresentNotification() override;
  void didReceiveNotificationResponse(std::function<void()> completion) override;

  // Waits for the reader thread to end (it ends at end of input).
  void joinReader();

 private:
  // The message task: the menu (and its dump), then the note.
  void apply(Message message);

  // Starts reading the input: on the main loop where the application can watch it, otherwise
  // on a reader thread.
  void startReading();

  // The input read on the main loop: its reader and decoder.
  struct MainLoopInput;

  AgentPlatform platform_;
  Streams streams_;
  std::unique_ptr<StatusMenu> status_;
  std::unique_ptr<platform::RunningApplication> parent_;
  std::unique_ptr<platform::HotKeyRegistration> hotKey_;
  std::unique_ptr<MainLoopInput> input_;
  Thread reader_;
};

}  // namespace nvx
