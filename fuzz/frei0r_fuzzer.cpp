// The frei0r module as a careless host drives it: instances of any size, then values for any
// parameter index (in range or not) as the host's types carry them: doubles (huge, NaN,
// infinite, denormal, negative zero or any bit pattern) and strings (null, empty, an option's
// names, "auto", rates, units, or bytes from the input), each read back after it is set.
// Whatever was set, a number reads back finite, a switch 0 or 1, and a string as a string. The frame rate and
// time unit parsers are also given the input whole. Constructing and setting make no GL call.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/fuzz_contract.h"
#include "tools/frei0r/frame_clock.h"
#include "tools/frei0r/frei0r_api.h"

namespace {

std::vector<f0r_param_info_t> parameters;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data(data), size(size) {}
  bool Done() const { return pos >= size; }
  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  double Double() {
    static const double special[] = {std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                     std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                                     1e39, -1e39, 3.5e38, std::numeric_limits<double>::denorm_min(), -0.0, 0.0, 0.5,
                                     1.0, -1.0, 2.0};
    const uint8_t selector = Byte();
    if (selector < 64) return special[selector % (sizeof special / sizeof special[0])];
    if (selector < 192) return static_cast<double>(Byte()) / 127.5 - 0.5;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(Byte()) << (8 * i);
    double value = 0.0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  std::string Text() {
    static const char* const words[] = {"", "auto", "AUTO", "s", "ms", "Ms", "30", "29.97", "30000/1001", "0", "1000",
                                        "1000.0001", "1/0", "0/0", "nan", "inf", "-1", "1e309", "Smoke", "paint",
                                        "Seed 4", "seed 10", "1e30", "3", " 30", "30 ", "25/", "/25"};
    const uint8_t selector = Byte();
    if (selector < 128) return words[selector % (sizeof words / sizeof words[0])];
    const size_t length = Byte() % 24;
    std::string text;
    for (size_t i = 0; i < length && !Done(); ++i) text += static_cast<char>(Byte());
    return text;
  }

 private:
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
};

void CheckParsers(const std::string& text) {
  double rate = -1.0;
  std::string error;
  const bool rateOk = swirlfrei0r::ParseFrameRate(text, rate, error);
  fuzzcheck::CheckRefusal(rateOk, error, text, "ParseFrameRate");
  fuzzcheck::Check(!rateOk || rate == 0.0 || (rate > 0.0 && rate <= 1000.0), "Frame Rate \"" + text + "\" gave " +
                                                                                 std::to_string(rate));
  swirlfrei0r::TimeUnit unit = swirlfrei0r::TimeUnit::Auto;
  error.clear();
  fuzzcheck::CheckRefusal(swirlfrei0r::ParseTimeUnit(text, unit, error), error, text, "ParseTimeUnit");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SWIRLMOSS_PLUGIN", SWIRLMOSS_FUZZ_PLUGIN, 1);
  f0r_init();
  f0r_plugin_info_t info{};
  f0r_get_plugin_info(&info);
  fuzzcheck::Check(info.num_params > 2, "the module loaded no plugin from " SWIRLMOSS_FUZZ_PLUGIN);
  parameters.resize(static_cast<size_t>(info.num_params));
  for (int i = 0; i < info.num_params; ++i) f0r_get_param_info(&parameters[static_cast<size_t>(i)], i);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckParsers(fuzzcheck::Text(data, size));
  Input input(data, size);
  const unsigned sizes[] = {0, 1, 96, 322, 16384, 16385, 0xFFFFFFFFu};
  const unsigned width = sizes[input.Byte() % 7], height = sizes[input.Byte() % 7];
  f0r_instance_t instance = f0r_construct(width, height);
  if (!instance) return 0;
  const int count = static_cast<int>(parameters.size());
  while (!input.Done()) {
    const uint8_t op = input.Byte();
    const int index = op & 0x80 ? static_cast<int>(input.Byte()) - 128 : static_cast<int>(input.Byte() % (count + 2)) - 1;
    const bool known = index >= 0 && index < count;
    const int type = known ? parameters[static_cast<size_t>(index)].type : F0R_PARAM_DOUBLE;
    const bool text = type == F0R_PARAM_STRING;
    if (op % 3 == 0) {  // a value of the wrong type for the parameter is the host's fault, and not sent
      if (text) {
        const std::string value = input.Text();
        const char* pointer = op % 2 ? nullptr : value.c_str();
        f0r_set_param_value(instance, &pointer, index);
      } else {
        double value = input.Double();
        f0r_set_param_value(instance, &value, index);
      }
    } else if (op % 3 == 1) {
      f0r_set_param_value(instance, nullptr, index);
      f0r_get_param_value(instance, nullptr, index);
    }
    if (!known) continue;
    if (text) {
      const char* value = nullptr;
      f0r_get_param_value(instance, &value, index);
      fuzzcheck::Check(value != nullptr, std::string(parameters[static_cast<size_t>(index)].name) + " reads back null");
      (void)std::strlen(value);
    } else {
      double value = std::numeric_limits<double>::quiet_NaN();
      f0r_get_param_value(instance, &value, index);
      fuzzcheck::Check(std::isfinite(value), std::string(parameters[static_cast<size_t>(index)].name) + " reads back " +
                                                 std::to_string(value));
      fuzzcheck::Check(type != F0R_PARAM_BOOL || value == 0.0 || value == 1.0,
                       std::string(parameters[static_cast<size_t>(index)].name) + ": a switch half on");
    }
  }
  f0r_destruct(instance);
  return 0;
}
