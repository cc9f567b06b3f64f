// A controller for the tests: sends /swirlmoss/light/norm with values going round 0..1 at a
// steady rate to a local UDP port, and says how many it sent.
//   swirlmoss_osc_sender PORT MESSAGES_PER_SECOND SECONDS

#include <lo/lo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: swirlmoss_osc_sender PORT MESSAGES_PER_SECOND SECONDS\n");
    return 2;
  }
  const int rate = std::atoi(argv[2]);
  const double seconds = std::atof(argv[3]);
  lo_address target = lo_address_new("127.0.0.1", argv[1]);
  const auto period = std::chrono::duration<double>(1.0 / rate);
  const auto start = std::chrono::steady_clock::now();
  long sent = 0;
  for (long i = 0; i < static_cast<long>(rate * seconds); ++i) {
    std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(period * i));
    if (lo_send(target, "/swirlmoss/light/norm", "f", static_cast<float>(i % 100) / 100.0f) > 0) ++sent;
  }
  lo_address_free(target);
  std::printf("sent %ld\n", sent);
  return 0;
}
