#pragma once
// A few bytes and at most one open descriptor in one message over a Unix
// socket (SCM_RIGHTS): how a serving reader hands a drive's node, opened
// where the right to open it is, to the process that may send it commands.

#include <cstddef>
#include <string_view>

namespace taruk {

// Sends `text` with `fd` (none when -1) in one message. The caller keeps
// its own `fd`. False when the socket took not all of it.
bool SendWithDescriptor(int socket, std::string_view text, int fd);

// One message into `buffer`: the bytes read (0 at the end of the stream,
// -1 on an error), and in `fd` the descriptor that came with them (close-
// on-exec), or -1. Descriptors beyond the first are closed.
long ReceiveWithDescriptor(int socket, char* buffer, std::size_t size, int& fd);

}  // namespace taruk
