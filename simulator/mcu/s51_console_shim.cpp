// Preloaded into s51 by the simulator tests, to make its console fast enough for a run that
// stops the simulation thousands of times:
//  - While stopped, s51 looks at its console and, when no command is waiting, sleeps 100 ms
//    before it looks again. Here the sleep waits on standard input instead and ends as soon as
//    the next command arrives.
//  - s51 writes its replies a line or a character at a time, each one a system call that wakes
//    the reader. Here its standard output is held back until a reply is complete, which with
//    `-P` is when the NUL prompt is written.

#include <dlfcn.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace {

using WriteFunction = ssize_t (*)(int, const void*, size_t);

char pending[1 << 16];
size_t pendingSize = 0;

WriteFunction RealWrite() {
  static const auto real = reinterpret_cast<WriteFunction>(dlsym(RTLD_NEXT, "write"));
  return real;
}

void Flush() {
  size_t written = 0;
  while (written < pendingSize) {
    const ssize_t n = RealWrite()(STDOUT_FILENO, pending + written, pendingSize - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  pendingSize = 0;
}

__attribute__((destructor)) void FlushAtExit() {
  Flush();
}

}  // namespace

extern "C" ssize_t write(int fd, const void* data, size_t size) {
  if (fd != STDOUT_FILENO) return RealWrite()(fd, data, size);
  if (pendingSize + size > sizeof pending) Flush();
  if (size > sizeof pending) return RealWrite()(fd, data, size);
  std::memcpy(pending + pendingSize, data, size);
  pendingSize += size;
  if (std::memchr(data, '\0', size) != nullptr) Flush();
  return static_cast<ssize_t>(size);
}

extern "C" int nanosleep(const struct timespec* request, struct timespec* remaining) {
  Flush();
  const long milliseconds = request->tv_sec * 1000 + request->tv_nsec / 1000000;
  pollfd console = {STDIN_FILENO, POLLIN, 0};
  poll(&console, 1, static_cast<int>(milliseconds));
  if (remaining != nullptr) *remaining = {};
  return 0;
}
