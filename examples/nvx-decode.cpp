// Reads a stream of agent input lines (a file, or standard input) and prints, per line, what
// it decodes to or that it is dropped. A look at the protocol without the agent running.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "nvx-menubar/MessageDecoder.h"
#include "platform/streams/LineReader.h"

namespace {

using nvx::StatusMenuModel;

std::string quoted(std::string_view s) {
  return "\"" + std::string(s) + "\"";
}

std::string quoted(const std::optional<std::string_view>& s) {
  return s ? quoted(*s) : std::string("-");
}

std::string flag(const char* name, const std::optional<bool>& f) {
  if (!f) return "";
  return std::string(" ") + name + "=" + (*f ? "true" : "false");
}

void printItems(const std::vector<StatusMenuModel::Item>& items, int depth) {
  for (const auto& item : items) {
    std::string line(static_cast<std::size_t>(2 * depth + 4), ' ');
    if (!item.id) {
      line += "---";
    } else {
      line += "id=" + quoted(item.id) + " text=" + quoted(item.text);
      if (item.detail) line += " detail=" + quoted(item.detail);
      if (item.icon) line += " icon=" + quoted(item.icon);
      line += flag("checked", item.checked) + flag("bold", item.bold) + flag("ready", item.ready) +
              flag("disabled", item.disabled);
      if (item.children) line += " children=" + std::to_string(item.children->size());
    }
    std::printf("%s\n", line.c_str());
    if (item.id && item.children) printItems(*item.children, depth + 1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int fd = 0;
  if (argc > 1 && (fd = open(argv[1], O_RDONLY | O_CLOEXEC)) < 0) {
    std::perror(argv[1]);
    return 1;
  }
  nvx::MessageDecoder decoder;
  nvx::LineReader reader(fd);
  int number = 0;
  reader.run([&](std::string_view line) {
    ++number;
    auto message = decoder.decode(line);
    if (!message) {
      std::printf("line %d: dropped\n", number);
      return;
    }
    std::printf("line %d: message%s\n", number,
                message->menu || message->notify ? "" : " with no effect");
    if (const auto& menu = message->menu) {
      std::printf("  menu title=%s tooltip=%s shareText=%s iconStyle=%s, %zu entries\n",
                  quoted(menu->title).c_str(), quoted(menu->tooltip).c_str(),
                  quoted(menu->shareText).c_str(), quoted(menu->iconStyle).c_str(),
                  menu->items.size());
      printItems(menu->items, 0);
    }
    if (const auto& note = message->notify) {
      std::printf("  notify title=\"%s\" body=\"%s\"\n", note->title.c_str(), note->body.c_str());
    }
  });
  return 0;
}
