// OSC packets as they come off the preview's UDP port: messages and bundles decoded by liblo
// and routed to the parameters of a model of every kind. Each message ends as one change of a
// parameter that exists, to a finite value the parameter takes, or as one refusal with a
// one-line reason.

#include <cmath>
#include <string>

#include "fuzz/fuzz_contract.h"
#include "tools/preview/osc_packet.h"

namespace {

class CheckingSink : public preview::OscSink {
 public:
  explicit CheckingSink(const hostkit::ParameterModel& model) : model(model) {}

  void Accept(const hostkit::LiveEvent& event) override {
    if (event.kind == hostkit::LiveEvent::Kind::Preset) {
      fuzzcheck::Check(event.preset[0] != '\0', "a preset without a name");
      return;
    }
    fuzzcheck::Check(event.kind == hostkit::LiveEvent::Kind::Set, "an OSC message became a MIDI event");
    fuzzcheck::Check(event.index < model.Parameters().size(), "a change of no parameter");
    const hostkit::ParameterInfo& info = model.Parameters()[event.index];
    fuzzcheck::Check(std::isfinite(event.value), info.name + ": not finite");
    fuzzcheck::Check(!info.IsText(), info.name + ": a text parameter has no address");
    if (info.IsBoolean()) fuzzcheck::Check(event.value == 0.0f || event.value == 1.0f, info.name + ": a switch half on");
  }

  void Refuse(hostkit::OscRefusal refusal, const std::string& why) override {
    fuzzcheck::Check(refusal != hostkit::OscRefusal::None, "refused for no reason");
    fuzzcheck::Check(!why.empty() && !fuzzcheck::HasLineBreak(why), "a refusal's reason is not one line: " + why);
  }

 private:
  const hostkit::ParameterModel& model;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const hostkit::ParameterModel model = fuzzcheck::EveryKindModel();
  static const hostkit::OscRouter router(model);
  CheckingSink sink(model);
  preview::HandleOscPacket(data, size, router, 0.0, sink);
  return 0;
}
