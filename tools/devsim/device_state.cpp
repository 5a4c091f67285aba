#include "device_state.h"

#include <algorithm>

namespace devsim {
namespace {

template <typename Matches>
const StateField* FindField(Matches matches) {
  const auto& fields = StateFields();
  const auto found = std::find_if(fields.begin(), fields.end(), matches);
  return found == fields.end() ? nullptr : &*found;
}

}  // namespace

const std::vector<StateField>& StateFields() {
  using namespace opcode;
  using S = DeviceState;
  constexpr auto kNone = std::nullopt;
  static const std::vector<StateField> fields = {
      {"keysensitivity", &S::keySensitivity, 1, kSetKeySensitivity, kGetKeySensitivity, Radix::Decimal},
      {"mousesensitivity", &S::mouseSensitivity, 1, kSetMouseSensitivity, kGetMouseSensitivity,
       Radix::Decimal},
      {"tapspeed", &S::tapSpeed, 2, kSetTapSpeed, kGetTapSpeed, Radix::Decimal},
      {"powermode", &S::powerMode, 1, kSetPowerMode, kGetPowerMode, Radix::Decimal},
      {"noactivityperiod", &S::noActivityPeriod, 4, kSetNoActivityPeriod, kGetNoActivityPeriod,
       Radix::Decimal},
      {"standbyperiod", &S::standbyPeriod, 4, kSetStandbyPeriod, kGetStandbyPeriod, Radix::Decimal},
      {"reactiontime", &S::reactionTime, 2, kSetReactionTime, kGetReactionTime, Radix::Decimal},
      {"projectorswitch", &S::projectorSwitch, 1, kSetProjectorSwitch, kGetProjectorSwitch, Radix::Decimal},
      {"normallevel", &S::projectorNormalLevel, 1, kSetProjectorNormalLevel, kGetProjectorNormalLevel,
       Radix::Decimal},
      {"standbylevel", &S::projectorStandbyLevel, 1, kSetProjectorStandbyLevel, kGetProjectorStandbyLevel,
       Radix::Decimal},
      // SET_POWERSTATE is a request to change state, not a plain store.
      {"powerstate", &S::powerState, 1, kNone, kGetPowerState, Radix::Hex},
      {"projectedlayoutnum", &S::projectedLayoutNum, 1, kNone, kGetProjectedLayoutNum, Radix::Hex},
      {"deviceid", &S::deviceId, 2, kNone, kGetDeviceId, Radix::Hex},
      {"activelayout", &S::activeLayout, 1, kSetActiveLayout, kNone, Radix::Decimal},
  };
  return fields;
}

const StateField* FindStateField(std::string_view name) {
  return FindField([name](const StateField& f) { return f.name == name; });
}

const StateField* FindFieldSetBy(std::uint16_t opcode) {
  return FindField([opcode](const StateField& f) { return f.setOpcode == opcode; });
}

const StateField* FindFieldReadBy(std::uint16_t opcode) {
  return FindField([opcode](const StateField& f) { return f.getOpcode == opcode; });
}

std::uint32_t MaxValue(const StateField& field) {
  return field.width >= 4 ? 0xFFFFFFFFu : (1u << (8 * field.width)) - 1;
}

}  // namespace devsim
