// A controller for the tests: sends /swirlmoss/light/norm with values going round 0..1 at a
// steady rate to a local UDP port, and says how many it sent. With `flood`, sends COUNT values
// of /swirlmoss/light at once, in bundles of 1,000 (a datagram each, which loopback never
// sheds), then LAST on its own.
//   swirlmoss_osc_sender PORT MESSAGES_PER_SECOND SECONDS
//   swirlmoss_osc_sender PORT flood COUNT LAST

#include <lo/lo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[2]) == "flood") {
    lo_address target = lo_address_new("127.0.0.1", argv[1]);
    const long count = std::atol(argv[3]);
    for (long at = 0; at < count; at += 1000) {
      lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
      for (long i = at; i < count && i < at + 1000; ++i) {
        lo_message message = lo_message_new();
        lo_message_add_float(message, static_cast<float>(i % 500) / 100.0f);
        lo_bundle_add_message(bundle, "/swirlmoss/light", message);
      }
      lo_send_bundle(target, bundle);
      lo_bundle_free_recursive(bundle);
    }
    lo_send(target, "/swirlmoss/light", "f", static_cast<float>(std::atof(argv[4])));
    lo_address_free(target);
    return 0;
  }
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
