// Preloaded into s51 by the simulator tests, to make its console fast enough for a run that
// stops the simulation thousands of times:
//  - While stopped, s51 looks at its console and, when no command is waiting, sleeps 100 ms
//    before it looks again. Here the sleep waits on standard input instead and ends as soon as
//    the next command arrives.
//  - s51 writes its replies a line or a character at a time, each one a system call that wakes
//    the reader. Here its standard output is held back until s51 has nothing left to do: it goes
//    to sleep or to read more commands. A batch of commands thus costs the reader one wake-up,
//    not one per reply; the replies stay apart by their NUL prompts (`-P`).

#include <dlfcn.h>
#include <errno.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

namespace {

using WriteFunction = ssize_t (*)(int, const void*, size_t);
using IsattyFunction = int (*)(int);

/// For standard input, output and error: 0 not asked yet, 1 a terminal, 2 not one.
int terminal[3] = {0, 0, 0};

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

bool IsTerminal(int fd) {
  static const auto real = reinterpret_cast<IsattyFunction>(dlsym(RTLD_NEXT, "isatty"));
  if (fd < 0 || fd > 2) return real(fd) != 0;
  if (terminal[fd] == 0) terminal[fd] = real(fd) != 0 ? 1 : 2;
  return terminal[fd] == 1;
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
  return static_cast<ssize_t>(size);
}

extern "C" ssize_t read(int fd, void* data, size_t size) {
  using ReadFunction = ssize_t (*)(int, void*, size_t);
  static const auto real = reinterpret_cast<ReadFunction>(dlsym(RTLD_NEXT, "read"));
  if (fd == STDIN_FILENO) Flush();
  return real(fd, data, size);
}

extern "C" int nanosleep(const struct timespec* request, struct timespec* remaining) {
  Flush();
  const long milliseconds = request->tv_sec * 1000 + request->tv_nsec / 1000000;
  pollfd console = {STDIN_FILENO, POLLIN, 0};
  poll(&console, 1, static_cast<int>(milliseconds));
  if (remaining != nullptr) *remaining = {};
  return 0;
}

extern "C" int isatty(int fd) {
  if (IsTerminal(fd)) return 1;
  errno = ENOTTY;
  return 0;
}

extern "C" int tcgetattr(int fd, struct termios* settings) {
  using TcgetattrFunction = int (*)(int, struct termios*);
  static const auto real = reinterpret_cast<TcgetattrFunction>(dlsym(RTLD_NEXT, "tcgetattr"));
  if (fd >= 0 && fd <= 2 && !IsTerminal(fd)) {
    errno = ENOTTY;
    return -1;
  }
  return real(fd, settings);
}
