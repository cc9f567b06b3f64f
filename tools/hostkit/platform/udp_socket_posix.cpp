#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <netinet/in.h>

#include "tools/hostkit/platform/udp_socket.h"

namespace hostkit {

UdpReceiver::~UdpReceiver() {
  if (fd >= 0) close(fd);
}

bool UdpReceiver::Bind(const std::string& address, int wanted, std::string& error) {
  const std::string where = address + " port " + std::to_string(wanted);
  if (wanted < 0 || wanted > 65535) {
    error = "UDP port " + std::to_string(wanted) + " is not from 0 to 65535";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(address.c_str(), std::to_string(wanted).c_str(), &hints, &found);
  if (status != 0) {
    error = "cannot listen on " + where + ": " + gai_strerror(status);
    return false;
  }
  int failure = 0;
  for (addrinfo* it = found; it; it = it->ai_next) {
    const int candidate = socket(it->ai_family, it->ai_socktype | SOCK_CLOEXEC, it->ai_protocol);
    if (candidate < 0) {
      failure = errno;
      continue;
    }
    if (bind(candidate, it->ai_addr, it->ai_addrlen) == 0) {
      fd = candidate;
      break;
    }
    failure = errno;
    close(candidate);
  }
  freeaddrinfo(found);
  if (fd < 0) {
    error = "cannot listen on " + where + ": " + std::strerror(failure);
    return false;
  }
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0) {
    port = bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port)
                                       : ntohs(reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  }
  return true;
}

long UdpReceiver::Receive(uint8_t* buffer, size_t capacity, int timeoutMs, bool& truncated) {
  truncated = false;
  if (fd < 0) return -1;
  pollfd waiting{fd, POLLIN, 0};
  const int ready = poll(&waiting, 1, timeoutMs);
  if (ready < 0) return errno == EINTR ? 0 : -1;
  if (ready == 0) return 0;
  const ssize_t got = recv(fd, buffer, capacity, MSG_TRUNC);
  if (got < 0) return errno == EINTR || errno == EAGAIN ? 0 : -1;
  truncated = static_cast<size_t>(got) > capacity;
  return static_cast<long>(truncated ? capacity : static_cast<size_t>(got));
}

}  // namespace hostkit
