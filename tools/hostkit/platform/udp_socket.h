#pragma once
// A UDP socket that receives datagrams on one local address, for controllers on the network.
// Binding to the loopback address keeps the port to programs on this machine.

#include <cstddef>
#include <cstdint>
#include <string>

namespace hostkit {

class UdpReceiver {
 public:
  UdpReceiver() = default;
  ~UdpReceiver();
  UdpReceiver(const UdpReceiver&) = delete;
  UdpReceiver& operator=(const UdpReceiver&) = delete;

  // Binds to `address` (an IPv4 or IPv6 address, or a host name) and `port` (0: one the system
  // picks). False with a one-line `error` (an address that does not resolve, a port in use).
  bool Bind(const std::string& address, int port, std::string& error);
  // The port bound to; 0 before Bind.
  int Port() const { return port; }

  // Waits up to `timeoutMs` for one datagram and copies it into `buffer`. Answers its size, 0
  // when none came in time, and -1 when the socket failed. A datagram longer than `capacity`
  // is cut short (`truncated` says so).
  long Receive(uint8_t* buffer, size_t capacity, int timeoutMs, bool& truncated);

 private:
  int fd = -1;
  int port = 0;
};

}  // namespace hostkit
