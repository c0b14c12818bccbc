#include "simulator/mcu/s51_console.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace kitbuilder::simulator {

std::unique_ptr<S51Console> S51Console::Start(const std::string& s51, const std::string& preload,
                                              const McuClock& clock, const std::string& errorFile,
                                              std::string* error) {
  // Pipes: on a socket s51 takes its console for a terminal and colours and prompts differently.
  int input[2];
  int output[2];
  if (pipe2(input, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  if (pipe2(output, O_CLOEXEC) != 0) {
    *error = std::string("pipe: ") + std::strerror(errno);
    close(input[0]);
    close(input[1]);
    return nullptr;
  }
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "LD_PRELOAD=", 11) != 0) environment.emplace_back(*entry);
  }
  if (!preload.empty()) environment.push_back("LD_PRELOAD=" + preload);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  // s51's 8052 takes 12 clocks a machine cycle; its clock is set so that a cycle lasts as long
  // as on the board.
  const std::string hertz = std::to_string(
      static_cast<long long>(clock.megahertz * 1e6 * kS51ClocksPerCycle / clock.clocksPerCycle));
  std::vector<std::string> args = {s51, "-t", "8052", "-X", hertz, "-P", "-c", "-"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) {
    *error = std::string("fork: ") + std::strerror(errno);
    for (int end : {input[0], input[1], output[0], output[1]}) close(end);
    return nullptr;
  }
  if (pid == 0) {
    const int errorOutput = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    if (errorOutput >= 0) dup2(errorOutput, STDERR_FILENO);
    execve(s51.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(input[0]);
  close(output[1]);
  return std::unique_ptr<S51Console>(new S51Console(pid, input[1], output[0], errorFile));
}

S51Console::S51Console(pid_t pid, int commands, int replies, std::string errorFile)
    : pid_(pid), commands_(commands), replies_(replies), errorFile_(std::move(errorFile)) {}

S51Console::~S51Console() {
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  close(commands_);
  close(replies_);
}

bool S51Console::Send(const std::vector<std::string>& commands) {
  std::string text;
  for (const std::string& command : commands) text += command + "\n";
  // Writing to an s51 that has died raises SIGPIPE, which would end the whole test program;
  // the signal is held back for the write and then taken without effect.
  sigset_t pipeSignal;
  sigset_t previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  size_t sent = 0;
  bool broken = false;
  while (sent < text.size()) {
    const ssize_t n = write(commands_, text.data() + sent, text.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      broken = errno == EPIPE;
      break;
    }
    sent += static_cast<size_t>(n);
  }
  if (broken) {
    const timespec now = {0, 0};
    sigtimedwait(&pipeSignal, nullptr, &now);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return sent == text.size();
}

std::optional<std::string> S51Console::AwaitReply(double seconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    const size_t end = pending_.find('\0');
    if (end != std::string::npos) {
      std::string reply = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return reply;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return std::nullopt;
    pollfd ready = {replies_, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char buffer[65536];
    const ssize_t n = read(replies_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

std::optional<std::vector<std::string>> S51Console::Exchange(
    const std::vector<std::string>& commands, double seconds) {
  if (!Send(commands)) return std::nullopt;
  std::vector<std::string> replies;
  for (size_t i = 0; i < commands.size(); ++i) {
    auto reply = AwaitReply(seconds);
    if (!reply) return std::nullopt;
    replies.push_back(std::move(*reply));
  }
  return replies;
}

std::string S51Console::ErrorOutput() const {
  std::ifstream in(errorFile_);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kitbuilder::simulator
