// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/os/ConsoleInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "host/os/Interrupt.h"

namespace host {
namespace {

// What was read past the last line handed out.
std::string& Pending() {
  static std::string pending;
  return pending;
}

bool TakeLine(std::string& line) {
  std::string& pending = Pending();
  size_t end = pending.find('\n');
  if (end == std::string::npos) return false;
  line = pending.substr(0, end);
  pending.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

}  // namespace

LineResult ReadStdinLine(std::string& line) {
  line.clear();
  for (;;) {
    if (InterruptRequested()) return LineResult::Interrupted;
    if (TakeLine(line)) return LineResult::Line;
    pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {InterruptHandle(), POLLIN, 0}};
    int count = waits[1].fd >= 0 ? 2 : 1;
    if (::poll(waits, static_cast<nfds_t>(count), -1) < 0) {
      if (errno == EINTR) continue;
      return LineResult::End;
    }
    if (count == 2 && (waits[1].revents & POLLIN)) return LineResult::Interrupted;
    if (!(waits[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    char chunk[256];
    ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) {
      // The end of the input ends a last line that has no line end.
      if (Pending().empty()) return LineResult::End;
      line.swap(Pending());
      return LineResult::Line;
    }
    Pending().append(chunk, static_cast<size_t>(got));
  }
}

}  // namespace host
