#include "linux/descriptor_passing.h"

#include <errno.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

namespace taruk {

bool SendWithDescriptors(int socket, std::string_view text, std::span<const int> fds) {
  if (fds.size() > kMostDescriptors) return false;
  iovec part{const_cast<char*>(text.data()), text.size()};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(kMostDescriptors * sizeof(int))] = {};
  if (!fds.empty()) {
    message.msg_control = control;
    message.msg_controllen = CMSG_SPACE(fds.size() * sizeof(int));
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = SOL_SOCKET;
    header->cmsg_type = SCM_RIGHTS;
    header->cmsg_len = CMSG_LEN(fds.size() * sizeof(int));
    memcpy(CMSG_DATA(header), fds.data(), fds.size() * sizeof(int));
  }
  ssize_t sent = 0;
  do {
    sent = sendmsg(socket, &message, MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  return sent == static_cast<ssize_t>(text.size());
}

long ReceiveWithDescriptors(int socket, char* buffer, std::size_t size, std::vector<int>& fds) {
  fds.clear();
  iovec part{buffer, size};
  msghdr message{};
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  // Room for more than are kept, so that extra ones arrive and are closed
  // rather than being cut off in the kernel.
  alignas(cmsghdr) char control[CMSG_SPACE(2 * kMostDescriptors * sizeof(int))] = {};
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
      int fd = -1;
      memcpy(&fd, CMSG_DATA(header) + n * sizeof(int), sizeof fd);
      if (fds.size() < kMostDescriptors) {
        fds.push_back(fd);
      } else {
        close(fd);
      }
    }
  }
  return received;
}

}  // namespace taruk
