#include "platform/linux/app/ControlSocket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/Tables.h"

namespace nvx::platform {
namespace {

// The variable may name anything: only a connected stream socket other than the standard
// streams opens the channel, so that the agent never takes commands from its own input.
TEST(ControlSocketTest, OpensOnlyOnAConnectedStreamSocketAboveTheStandardStreams) {
  int pair[2], pipeFds[2], datagrams[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  ASSERT_EQ(pipe(pipeFds), 0);
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM, 0, datagrams), 0);
  const int unconnected = socket(AF_UNIX, SOCK_STREAM, 0);
  const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
  const sockaddr_un autobind{.sun_family = AF_UNIX, .sun_path = {}};  // the kernel picks a name
  ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&autobind), sizeof(sa_family_t)), 0);
  ASSERT_EQ(listen(listening, 1), 0);
  // Standard input is a connected socket too, as a parent may make it.
  const int stdinCopy = dup(0);
  ASSERT_EQ(dup2(pair[0], 0), 0);

  struct C : test::Row {
    int fd;
    bool open;
  };
  for (const C& row :
       {C{"StandardInput", 0, false}, C{"Pipe", pipeFds[0], false},
        C{"DatagramSocket", datagrams[0], false}, C{"UnconnectedSocket", unconnected, false},
        C{"ListeningSocket", listening, false}, C{"None", -1, false},
        C{"SocketPairEnd", pair[1], true}}) {
    EXPECT_EQ(ControlSocket(row.fd).isOpen(), row.open) << row.name;
  }
  dup2(stdinCopy, 0);
  for (int fd : {stdinCopy, pair[0], pair[1], pipeFds[0], pipeFds[1], datagrams[0], datagrams[1],
                 unconnected, listening}) {
    close(fd);
  }
}

}  // namespace
}  // namespace nvx::platform
