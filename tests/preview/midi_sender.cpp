// A MIDI controller for the tests, on JACK: waits for an input port whose name holds PORT,
// connects to it, and sends the messages given (each three hex bytes, such as B0 15 40) in
// turn, one every 20 ms, for SECONDS.
//   swirlmoss_midi_sender PORT SECONDS BYTE BYTE BYTE [BYTE BYTE BYTE ...]

#include <RtMidi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 6 || (argc - 3) % 3 != 0) {
    std::fprintf(stderr, "usage: swirlmoss_midi_sender PORT SECONDS BYTE BYTE BYTE [...]\n");
    return 2;
  }
  const std::string wanted = argv[1];
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(std::atof(argv[2]));
  std::vector<std::vector<unsigned char>> messages;
  for (int i = 3; i + 2 < argc; i += 3) {
    messages.push_back({static_cast<unsigned char>(std::strtoul(argv[i], nullptr, 16)),
                        static_cast<unsigned char>(std::strtoul(argv[i + 1], nullptr, 16)),
                        static_cast<unsigned char>(std::strtoul(argv[i + 2], nullptr, 16))});
  }
  try {
    RtMidiOut out(RtMidi::UNIX_JACK, "midi-sender");
    bool open = false;
    while (!open && std::chrono::steady_clock::now() < until) {
      for (unsigned port = 0; port < out.getPortCount() && !open; ++port) {
        if (out.getPortName(port).find(wanted) == std::string::npos) continue;
        out.openPort(port, "out");
        open = true;
      }
      if (!open) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!open) {
      std::fprintf(stderr, "midi sender: no port named like %s\n", wanted.c_str());
      return 1;
    }
    long sent = 0;
    while (std::chrono::steady_clock::now() < until) {
      out.sendMessage(&messages[sent % messages.size()]);
      ++sent;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf("sent %ld\n", sent);
  } catch (const RtMidiError& error) {
    std::fprintf(stderr, "midi sender: %s\n", error.getMessage().c_str());
    return 1;
  }
  return 0;
}
