#include "linux/descriptor_passing.h"

#include <errno.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

namespace taruk {

namespace {

// Room for a few descriptors: more than one is closed, not kept.
constexpr std::size_t kDescriptorRoom = 4;

}  // namespace

bool SendWithDescriptor(int socket, std::string_view text, int fd) {
  iovec part{const_cast<char*>(text.data()), text.size()};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  if (fd >= 0) {
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(sizeof(int));
    memcpy(CMSG_DATA(header), &fd, sizeof fd);
  }
  ssize_t sent = 0;
  do {
    sent = sendmsg(socket, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(text.size());
}

long ReceiveWithDescriptor(int socket, char* buffer, std::size_t size, int& fd) {
  fd = -1;
  iovec part{buffer, size};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(kDescriptorRoom * sizeof(int))] = {};
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t received = 0;
  do {
    received = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
  } while (received < 0 && errno == EINTR);
  if (received < 0) return -1;
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS) continue;
    const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
    for (std::size_t n = 0; n < count; ++n) {
      int received_fd = -1;
      memcpy(&received_fd, CMSG_DATA(header) + n * sizeof(int), sizeof received_fd);
      if (fd < 0) {
        fd = received_fd;
      } else {
        close(received_fd);
      }
    }
  }
  return received;
}

}  // namespace taruk
