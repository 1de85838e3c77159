#pragma once
// A few bytes and a few open descriptors in one message over a Unix socket
// (SCM_RIGHTS): how a serving reader hands drives' nodes, opened where the
// right to open them is, to the process that may send them commands. A
// pass's drives go in one message, so that the other process is woken once.

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace taruk {

// The most descriptors one message carries.
constexpr std::size_t kMostDescriptors = 16;

// Sends `text` with `fds` (at most kMostDescriptors) in one message. The
// caller keeps its own descriptors. False when the socket took not all of it.
bool SendWithDescriptors(int socket, std::string_view text, std::span<const int> fds);

// One message into `buffer`: the bytes read (0 at the end of the stream,
// -1 on an error), and in `fds` the descriptors that came with them (close-
// on-exec). Descriptors beyond kMostDescriptors are closed.
long ReceiveWithDescriptors(int socket, char* buffer, std::size_t size, std::vector<int>& fds);

}  // namespace taruk
