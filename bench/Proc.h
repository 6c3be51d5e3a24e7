#pragma once

#include <sys/types.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

// What /proc tells of a running child, for the benchmarks that measure the whole agent.
namespace nvx::bench {

inline std::filesystem::path procDir(pid_t pid) {
  return std::filesystem::path("/proc") / std::to_string(pid);
}

// A number after `name:` in a /proc file ("VmRSS:  1234 kB" gives 1234); -1 when absent.
inline long procField(const std::filesystem::path& file, std::string_view name) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with(name) && line.size() > name.size() && line[name.size()] == ':') {
      return std::stol(line.substr(name.size() + 1));
    }
  }
  return -1;
}

// Voluntary context switches of every thread of `pid`, summed; 0 when it has gone.
inline long voluntarySwitches(pid_t pid) {
  long sum = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(procDir(pid) / "task", error)) {
    sum += std::max(0L, procField(task.path() / "status", "voluntary_ctxt_switches"));
  }
  return sum;
}

// CPU microseconds on record (schedstat) for the thread whose /proc folder is `task`.
inline double taskCpuMicroseconds(const std::filesystem::path& task) {
  std::ifstream in(task / "schedstat");
  double ns = 0;
  in >> ns;
  return ns / 1e3;
}

}  // namespace nvx::bench
