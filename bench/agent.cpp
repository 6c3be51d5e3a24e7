// The whole agent as its parent sees it: the built nvx-menubar on pipes, side by side with the
// decoding of the same bytes in this process.
//   (a) throughput of a refresh stream and a rebuild stream against decode-only (a figure:
//       applying and styling every message keeps a flood far from decode-only speed, and a
//       flood is not what a user feels);
//   (b) latency from writing a line to reading its dump;
//   (c) start-up, from exec to the first dump;
//   (d) idle cost, the agent's voluntary context switches with input open and quiet;
//   (e) resident memory after 1,000,000 updates against after 1,000;
//   (f) CPU per paced refresh, and where it goes;
//   (g) CPU for a burst of refreshes until the last is applied.
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Proc.h"
#include "StatusMenu/StatusMenu.h"
#include "StatusMenu/Style.h"
#include "StatusMenu/TabStop.h"
#include "Workload.h"
#include "nvx-menubar/MessageDecoder.h"
#include "platform/headless/HeadlessToolkit.h"
#include "platform/streams/LineFramer.h"
#include "platform/streams/LineReader.h"
#include "support/ChildProcess.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using nvx::bench::kCycle;
using nvx::bench::kEntries;
using nvx::bench::Kind;
using nvx::bench::procDir;
using nvx::bench::procField;
using nvx::bench::voluntarySwitches;
using nvx::bench::Workload;
using nvx::test::ChildProcess;

constexpr std::size_t kDumpLines = kEntries + 1;  // the header, then one line per entry
constexpr std::size_t kThroughputMessages = 30'000;
constexpr int kThroughputRounds = 3;
constexpr int kLatencyWarmUp = 100;
constexpr int kLatencyLines = 2000;
constexpr int kStartRuns = 11;
constexpr auto kSettle = 200ms;  // for the agent to go back to sleep after its last output
constexpr auto kIdle = 5s;
constexpr std::size_t kEarlyUpdates = 1'000;
constexpr std::size_t kLateUpdates = 1'000'000;
constexpr std::size_t kPaceBlock = 50;  // messages per write while pacing
constexpr std::size_t kInFlight = 100;
static_assert(kEarlyUpdates % kPaceBlock == 0);
constexpr std::size_t kBurst = 50'000;
constexpr auto kTimeout = 120s;  // for any one wait on the agent; a wedged agent fails the run

constexpr int kPacedUpdates = 200;
constexpr auto kPace = 10ms;
constexpr std::size_t kBurstUpdates = 1'000;
constexpr int kInProcessRounds = 20;  // over the kCycle messages, for the breakdown

constexpr long kMaxIdleSwitches = 0;
constexpr double kMaxMemoryRatio = 1.1;

// What changes from one message to the next: texts only, or also an id, which forces a rebuild.

double since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The agent, with the menu dump or without; with `controlFd`, that end of a socket pair is its
// control channel.
ChildProcess::Options agent(bool dump, int controlFd = -1) {
  ChildProcess::Options options;
  options.argv = {NVX_MENUBAR_PATH};
  // Without a session bus the agent keeps its session in memory; the machine's bus is never
  // used.
  options.unsetEnv = {"NVX_DUMP_MENU", "NVX_SHOW_MENU", "NVX_HEADLESS_CONTROL_FD",
                      "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"};
  if (dump) options.env["NVX_DUMP_MENU"] = "1";
  if (controlFd >= 0) {
    options.fds = {{controlFd, controlFd}};
    options.env["NVX_HEADLESS_CONTROL_FD"] = std::to_string(controlFd);
  }
  return options;
}

// Waits until the agent has finished launching: the program runs and sleeps waiting for
// input (on its loop, or its reader thread), and a moment more.
bool awaitLaunch(pid_t pid) {
  const auto deadline = Clock::now() + kTimeout;
  auto launched = [&] {
    std::string name, stat;
    std::getline(std::ifstream(procDir(pid) / "comm"), name);
    std::getline(std::ifstream(procDir(pid) / "stat"), stat);
    const auto close = stat.rfind(')');  // after the name, which may hold anything
    return name == "nvx-menubar" && close != std::string::npos &&
           stat.compare(close, 3, ") S") == 0;
  };
  while (!launched()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  std::this_thread::sleep_for(kSettle);
  return true;
}

// Counts the agent's dumps as they arrive on its standard error, reading in bulk.
class DumpCounter {
 public:
  explicit DumpCounter(ChildProcess& child) : fd_(child.err().fd()) {}

  // Reads until `dumps` dumps in all have come; false when the agent ends or stays silent
  // too long first, which also releases every writer waiting in awaitBelow.
  bool await(std::size_t dumps) {
    pollfd p{fd_, POLLIN, 0};
    while (lines_ < dumps * kDumpLines) {
      ssize_t n = -1;
      if (poll(&p, 1, static_cast<int>(std::chrono::milliseconds(kTimeout).count())) > 0) {
        n = read(fd_, buf_.data(), buf_.size());
      }
      if (n <= 0) {
        dumps_ = std::numeric_limits<std::size_t>::max() / 2;
        dumps_.notify_all();
        return false;
      }
      lines_ += static_cast<std::size_t>(std::count(buf_.data(), buf_.data() + n, '\n'));
      dumps_ = lines_ / kDumpLines;
      dumps_.notify_all();
    }
    return true;
  }

  // For a writer thread: returns once `written` exceeds the dumps so far by less than `ahead`.
  void awaitBelow(std::size_t written, std::size_t ahead) const {
    for (std::size_t done = dumps_; written >= done + ahead; done = dumps_)
      dumps_.wait(done);
  }

 private:
  int fd_;
  std::vector<char> buf_ = std::vector<char>(std::size_t{1} << 18);
  std::size_t lines_ = 0;
  std::atomic<std::size_t> dumps_ = 0;
};

// CPU seconds of this process's children that have ended and been waited for.
double childCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](timeval t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Wall and CPU seconds of one run; NaN when the run went wrong.
struct Run {
  double wall = NAN;
  double cpu = NAN;
};

// (a) The agent, dump off, applying `count` messages: wall time from the first byte written
// until its standard error closes at exit, which comes after the terminate task, which comes
// after every message; CPU time of both its threads, start-up included.
Run agentRun(const Workload& w, std::size_t count) {
  const double cpuBefore = childCpuSeconds();
  ChildProcess child(agent(false));
  if (!awaitLaunch(child.pid())) return {};
  const auto start = Clock::now();
  std::thread writer([&] {
    w.emit(0, count, [&](std::string_view piece) { child.write(piece); });
    child.closeStdin();
  });
  const std::string err = child.err().all(kTimeout);
  const double wall = since(start);
  writer.join();
  if (!err.empty() || child.wait(kTimeout) != 0) return {};
  return {wall, childCpuSeconds() - cpuBefore};
}

// (a) The same bytes framed and decoded in this process, in the agent's read size.
Run decodeRun(const Workload& w, std::size_t count) {
  nvx::MessageDecoder decoder;
  nvx::LineFramer framer;
  std::size_t decoded = 0;
  auto onLine = [&](std::string_view line) { decoded += decoder.decode(line).has_value(); };
  const double cpuBefore = threadCpuSeconds();
  const auto start = Clock::now();
  w.emit(0, count, [&](std::string_view piece) {
    for (std::size_t at = 0; at < piece.size(); at += nvx::LineReader::kBlockSize) {
      framer.feed(piece.substr(at, nvx::LineReader::kBlockSize), onLine);
    }
  });
  framer.finish(onLine);
  if (decoded != count) return {};
  return {since(start), threadCpuSeconds() - cpuBefore};
}

// Best of the rounds, interleaved, for the agent and for decode-only.
struct Throughput {
  Run agent{INFINITY, INFINITY};
  Run decode{INFINITY, INFINITY};
};

Throughput throughput(const Workload& w) {
  Throughput best;
  auto keepBest = [](Run& kept, Run run) {
    kept = {std::fmin(kept.wall, run.wall), std::fmin(kept.cpu, run.cpu)};
  };
  for (int round = 0; round < kThroughputRounds; ++round) {
    keepBest(best.decode, decodeRun(w, kThroughputMessages));
    keepBest(best.agent, agentRun(w, kThroughputMessages));
  }
  return best;
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return NAN;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// (b) Microseconds from writing each line to reading the last line of its dump.
std::vector<double> latencies(const Workload& w) {
  ChildProcess child(agent(true));
  std::vector<double> us;
  for (int i = 0; i < kLatencyWarmUp + kLatencyLines; ++i) {
    const auto start = Clock::now();
    w.emit(static_cast<std::size_t>(i), 1, [&](std::string_view line) { child.write(line); });
    if (child.err().lines(kDumpLines, kTimeout).size() != kDumpLines) {
      return {};
    }
    if (i >= kLatencyWarmUp) us.push_back(since(start) * 1e6);
  }
  child.closeStdin();
  return child.wait(kTimeout) == 0 ? us : std::vector<double>{};
}

// (c) Milliseconds from spawning the agent, its first line already on the way, to its dump.
std::vector<double> startUps(const Workload& w) {
  std::vector<double> ms;
  for (int run = 0; run < kStartRuns; ++run) {
    const auto start = Clock::now();
    ChildProcess child(agent(true));
    w.emit(0, 1, [&](std::string_view line) { child.write(line); });
    if (child.err().lines(kDumpLines, kTimeout).size() != kDumpLines) {
      return {};
    }
    ms.push_back(since(start) * 1e3);
    child.closeStdin();
    if (child.wait(kTimeout) != 0) return {};
  }
  return ms;
}

// (d) Voluntary context switches of the agent over kIdle with its input open and quiet, once
// its first message is applied and it has settled; -1 when the agent misbehaves.
long idleSwitches(const Workload& w) {
  ChildProcess child(agent(true));
  w.emit(0, 1, [&](std::string_view line) { child.write(line); });
  if (child.err().lines(kDumpLines, kTimeout).size() != kDumpLines) return -1;
  std::this_thread::sleep_for(kSettle);
  const long before = voluntarySwitches(child.pid());
  std::this_thread::sleep_for(kIdle);
  const long after = voluntarySwitches(child.pid());
  child.closeStdin();
  return child.wait(kTimeout) == 0 ? after - before : -1;
}

// (e) VmRSS in kB after the early and after the late number of updates of one agent, counted
// by their dumps. At most kInFlight messages are written ahead of the dumps, as a parent
// sending updates as they come would; so the queue plays no part in either reading (a burst
// is measured on its own). Zeros when the agent misbehaves.
struct Memory {
  long early = 0;
  long late = 0;
  double seconds = 0;  // for the late updates
};

Memory memory(const Workload& w) {
  ChildProcess child(agent(true));
  DumpCounter dumps(child);
  std::promise<void> go;
  std::thread writer([&, started = go.get_future()] {
    bool ok = true;
    auto write = [&](std::string_view piece) { ok = ok && child.write(piece); };
    for (std::size_t at = 0; at < kLateUpdates && ok; at += kPaceBlock) {
      if (at == kEarlyUpdates) started.wait();
      dumps.awaitBelow(at + kPaceBlock, kInFlight + 1);
      w.emit(at, std::min(kPaceBlock, kLateUpdates - at), write);
    }
  });
  Memory m;
  const auto status = procDir(child.pid()) / "status";
  if (dumps.await(kEarlyUpdates)) m.early = procField(status, "VmRSS");
  const auto start = Clock::now();
  go.set_value();
  if (dumps.await(kLateUpdates)) {
    m.seconds = since(start);
    m.late = procField(status, "VmRSS");
  }
  writer.join();
  child.closeStdin();
  if (child.wait(kTimeout) != 0) return {};
  return m;
}

// (e) What a burst costs: VmRSS in kB after kEarlyUpdates paced updates, the peak while a
// burst of kBurst written at once is queued, and VmRSS once the burst is applied.
struct Burst {
  long before = 0;
  long peak = 0;
  long after = 0;
};

Burst burst(const Workload& w) {
  ChildProcess child(agent(true));
  DumpCounter dumps(child);
  std::promise<void> go;
  std::thread writer([&, started = go.get_future()] {
    w.emit(0, kEarlyUpdates, [&](std::string_view piece) { child.write(piece); });
    started.wait();
    w.emit(kEarlyUpdates, kBurst, [&](std::string_view piece) { child.write(piece); });
  });
  Burst b;
  const auto status = procDir(child.pid()) / "status";
  if (dumps.await(kEarlyUpdates)) b.before = procField(status, "VmRSS");
  go.set_value();
  if (dumps.await(kEarlyUpdates + kBurst)) {
    std::this_thread::sleep_for(kSettle);
    b.after = procField(status, "VmRSS");
    b.peak = procField(status, "VmHWM");
  }
  writer.join();
  child.closeStdin();
  if (child.wait(kTimeout) != 0) return {};
  return b;
}

const Workload& refreshStream();

// CPU time on record for the threads of `pid` (schedstat), in microseconds: the main thread,
// and the others summed.
struct ThreadCpu {
  double main = 0;
  double others = 0;
};

ThreadCpu threadCpu(pid_t pid) {
  ThreadCpu cpu;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(procDir(pid) / "task", error)) {
    const double us = nvx::bench::taskCpuMicroseconds(task.path());
    (task.path().filename() == std::to_string(pid) ? cpu.main : cpu.others) += us;
  }
  return cpu;
}

ThreadCpu operator-(ThreadCpu a, ThreadCpu b) {
  return {a.main - b.main, a.others - b.others};
}

// An agent without the dump whose control channel tells when a message has been applied: a
// note written behind the updates is reported once every update before it has run.
class ControlledAgent {
 public:
  ControlledAgent() {
    ok_ = socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) == 0;
    if (ok_) child_.emplace(agent(false, fds_[1]));
    if (ok_) ok_ = awaitLaunch(child_->pid());
  }
  ~ControlledAgent() {
    if (child_) {
      child_->closeStdin();
      child_->wait(kTimeout);
    }
    for (int fd : fds_)
      if (fd >= 0) close(fd);
  }

  bool ok() const { return ok_; }
  ChildProcess& child() { return *child_; }

  // Writes a note and waits for its report: every message written before it is applied.
  bool sync() {
    ok_ = ok_ && child_->write("{\"notify\":{\"title\":\"sync\",\"body\":\"\"}}\n");
    static constexpr std::string_view kReport = "notification sync|\n";
    std::string line;
    pollfd p{fds_[0], POLLIN, 0};
    while (ok_) {
      char c = 0;
      ok_ = poll(&p, 1, static_cast<int>(std::chrono::milliseconds(kTimeout).count())) > 0 &&
            read(fds_[0], &c, 1) == 1;
      line.push_back(c);
      if (line == kReport) return ok_;
      if (c == '\n') line.clear();
    }
    return false;
  }

 private:
  int fds_[2] = {-1, -1};
  bool ok_ = false;
  std::optional<ChildProcess> child_;
};

// (f) CPU per refresh of kPacedUpdates written one every kPace, dump off.
std::optional<ThreadCpu> pacedCpu(const Workload& w) {
  ControlledAgent a;
  if (!a.ok() || !a.sync()) return std::nullopt;
  const ThreadCpu before = threadCpu(a.child().pid());
  auto next = Clock::now();
  for (int i = 0; i < kPacedUpdates; ++i) {
    std::this_thread::sleep_until(next += kPace);
    w.emit(static_cast<std::size_t>(i) + 1, 1,
           [&](std::string_view line) { a.child().write(line); });
  }
  if (!a.sync()) return std::nullopt;
  const ThreadCpu used = threadCpu(a.child().pid()) - before;
  return ThreadCpu{used.main / kPacedUpdates, used.others / kPacedUpdates};
}

// (g) CPU of kBurstUpdates refreshes written at once, until the last is applied, dump off.
std::optional<ThreadCpu> burstCpu(const Workload& w) {
  ControlledAgent a;
  if (!a.ok() || !a.sync()) return std::nullopt;
  const ThreadCpu before = threadCpu(a.child().pid());
  w.emit(1, kBurstUpdates, [&](std::string_view piece) { a.child().write(piece); });
  if (!a.sync()) return std::nullopt;
  return threadCpu(a.child().pid()) - before;
}

// In this process, warm: microseconds per message to decode, to update the status menu, and
// to style its entries as an update does.
struct InProcess {
  double decode = 0;
  double update = 0;
  double style = 0;
};

double microsecondsSince(double cpuStart, std::size_t count) {
  return (threadCpuSeconds() - cpuStart) * 1e6 / static_cast<double>(count);
}

void styleAll(nvx::platform::Menu& menu, const std::vector<nvx::StatusMenuModel::Item>& items,
              double tab, nvx::platform::Toolkit& platform) {
  for (std::size_t i = 0; i < items.size() && i < menu.itemCount(); ++i) {
    if (!items[i].id) continue;
    nvx::style(menu.item(i), items[i], tab, platform);
    if (items[i].children && menu.item(i).submenu()) {
      styleAll(*menu.item(i).submenu(), *items[i].children, 0, platform);
    }
  }
}

InProcess inProcess(const Workload& w) {
  nvx::MessageDecoder decoder;
  std::vector<nvx::StatusMenuModel> models;
  InProcess t;
  double start = threadCpuSeconds();
  w.emit(0, kCycle, [&](std::string_view piece) {
    nvx::LineFramer framer;
    framer.feed(piece,
                [&](std::string_view line) { models.push_back(*decoder.decode(line)->menu); });
  });
  t.decode = microsecondsSince(start, kCycle);

  nvx::platform::HeadlessToolkit platform;
  nvx::StatusMenu status(
      nullptr, [](std::string_view) {}, platform);
  nvx::platform::Menu* menu = nullptr;
  // Best of interleaved rounds, so that other work on the machine weighs on neither figure.
  t.update = t.style = INFINITY;
  for (int round = 0; round < kInProcessRounds; ++round) {
    start = threadCpuSeconds();
    for (const auto& model : models)
      status.update(model);
    t.update = std::fmin(t.update, microsecondsSince(start, kCycle));

    if (!menu) menu = platform.statusBar().items().at(0)->menu();
    start = threadCpuSeconds();
    for (const auto& model : models)
      styleAll(*menu, model.items, nvx::tabStop(model.items, platform.fonts()), platform);
    t.style = std::fmin(t.style, microsecondsSince(start, kCycle));
  }
  return t;
}

bool reportPaced() {
  const auto paced = pacedCpu(refreshStream());
  const InProcess warm = inProcess(refreshStream());
  if (!paced) return false;
  std::printf("(f) CPU per paced refresh, %d written one every %lld ms, dump off\n", kPacedUpdates,
              static_cast<long long>(kPace.count()));
  std::printf("  agent: %.1f us (main thread %.1f, other threads %.1f)\n",
              paced->main + paced->others, paced->main, paced->others);
  std::printf(
      "  where it goes (the steps measured warm in this process; the rest is the cost of\n"
      "  waking, reading and cold caches in the agent, which reads on its main loop):\n");
  std::printf(
      "    decode %.1f, update %.1f (styling %.1f, the rest %.1f), wake-up + read + dispatch "
      "%.1f\n",
      warm.decode, warm.update, warm.style, warm.update - warm.style,
      paced->main + paced->others - warm.decode - warm.update);
  return true;
}

bool reportBurst() {
  const auto burst = burstCpu(refreshStream());
  if (!burst) return false;
  std::printf("(g) CPU for a burst of %zu refreshes written at once, until the last is applied\n",
              kBurstUpdates);
  std::printf("  %.1f ms (main thread %.1f, other threads %.1f), %.1f us per refresh\n",
              (burst->main + burst->others) / 1e3, burst->main / 1e3, burst->others / 1e3,
              (burst->main + burst->others) / kBurstUpdates);
  return true;
}

const char* verdict(bool pass) {
  return pass ? "PASS" : "FAIL";
}

const Workload& refreshStream() {
  static const Workload w("refresh stream", Kind::Refresh);
  return w;
}

const Workload& rebuildStream() {
  static const Workload w("rebuild stream", Kind::Rebuild);
  return w;
}

bool reportThroughput() {
  std::printf("(a) throughput, best of %d rounds of %zu messages\n", kThroughputRounds,
              kThroughputMessages);
  std::printf(
      "    agent: dump off, from the first byte written to its exit after end of input\n"
      "    (the terminate task runs after every message is applied); CPU of both threads,\n"
      "    start-up and exit included. decode-only: the same bytes through LineFramer +\n"
      "    MessageDecoder in this process.\n");
  std::printf("  %-16s %10s %10s %7s %14s\n", "", "agent/s", "decode/s", "ratio", "CPU us/msg a|d");
  bool pass = true;
  for (const Workload* w : {&refreshStream(), &rebuildStream()}) {
    const Throughput t = throughput(*w);
    pass &= std::isfinite(t.agent.wall);
    std::printf("  %-16s %10.0f %10.0f %7.2f %7.1f|%-6.1f\n", w->name,
                kThroughputMessages / t.agent.wall, kThroughputMessages / t.decode.wall,
                t.decode.wall / t.agent.wall, t.agent.cpu / kThroughputMessages * 1e6,
                t.decode.cpu / kThroughputMessages * 1e6);
  }
  return pass;
}

bool reportLatency() {
  std::printf("(b) latency, write of a line -> its whole dump read, NVX_DUMP_MENU=1, %d lines\n",
              kLatencyLines);
  std::printf("  %-16s %10s %10s\n", "", "p50 us", "p99 us");
  bool pass = true;
  for (const Workload* w : {&refreshStream(), &rebuildStream()}) {
    const auto us = latencies(*w);
    pass &= !us.empty();
    std::printf("  %-16s %10.0f %10.0f\n", w->name, percentile(us, 0.5), percentile(us, 0.99));
  }
  return pass;
}

bool reportStartUp() {
  const auto ms = startUps(refreshStream());
  std::printf("(c) start-up, spawn -> first dump read, median of %d runs: %.1f ms (min %.1f)\n",
              kStartRuns, percentile(ms, 0.5), percentile(ms, 0.0));
  return !ms.empty();
}

bool reportIdle() {
  const long switches = idleSwitches(refreshStream());
  const bool pass = switches >= 0 && switches <= kMaxIdleSwitches;
  std::printf(
      "(d) idle, voluntary context switches of all threads over %lld s: %ld  "
      "(target <= %ld)  %s\n",
      static_cast<long long>(kIdle.count()), switches, kMaxIdleSwitches, verdict(pass));
  return pass;
}

bool reportMemory() {
  const Memory m = memory(refreshStream());
  const double ratio = m.early > 0 ? static_cast<double>(m.late) / m.early : NAN;
  const bool pass = ratio <= kMaxMemoryRatio;
  std::printf(
      "(e) resident memory, refresh stream, dump on, one agent, at most %zu messages "
      "in flight\n",
      kInFlight);
  std::printf("  VmRSS after %zu updates %ld kB, after %zu %ld kB (%.0f updates/s)\n",
              kEarlyUpdates, m.early, kLateUpdates, m.late,
              (kLateUpdates - kEarlyUpdates) / m.seconds);
  std::printf("  ratio %.2f  (target <= %.2f)  %s\n", ratio, kMaxMemoryRatio, verdict(pass));
  const Burst b = burst(refreshStream());
  std::printf(
      "  a burst of %zu written at once: VmRSS %ld kB before, peak %ld kB, %ld kB once "
      "applied\n",
      kBurst, b.before, b.peak, b.after);
  return pass;
}

}  // namespace

// Runs the parts named on the command line ("a" to "g"), or all of them.
int main(int argc, char** argv) {
  // A write to an agent that has gone must fail the run, not end it.
  std::signal(SIGPIPE, SIG_IGN);
  const std::vector<std::string_view> wanted(argv + 1, argv + argc);
  auto runs = [&](std::string_view part) {
    return wanted.empty() || std::find(wanted.begin(), wanted.end(), part) != wanted.end();
  };

  std::printf("nvx-menubar over pipes: %d-entry menus of about %.0f bytes a line\n", kEntries,
              refreshStream().averageBytes());
  bool pass = true;
  for (const auto& [part, report] : {std::pair{"a", &reportThroughput},
                                     {"b", &reportLatency},
                                     {"c", &reportStartUp},
                                     {"d", &reportIdle},
                                     {"e", &reportMemory},
                                     {"f", &reportPaced},
                                     {"g", &reportBurst}}) {
    if (!runs(part)) continue;
    std::printf("\n");
    pass &= report();
  }
  std::printf("\n%s\n", pass ? "all targets met" : "some targets missed");
  return 0;
}
