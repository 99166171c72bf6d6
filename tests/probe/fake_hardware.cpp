#include "tests/probe/fake_hardware.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

class FakeController : public GameController {
public:
  FakeController(bool opens, int& tried) : opens_(opens), tried_(tried) {}
  bool TryOpen() override {
    ++tried_;
    return opens_;
  }

private:
  bool opens_;
  int& tried_;
};

}  // namespace

void FakeHardware::ExpectDirect3D(const char* question) const {
  if (!script_.direct3D) {
    ADD_FAILURE() << question << " asked although there is no Direct3D object";
  }
}

bool FakeHardware::CheckDeviceType(std::uint32_t format) {
  ExpectDirect3D("CheckDeviceType");
  const auto& accepted = script_.acceptedFormats;
  return std::find(accepted.begin(), accepted.end(), format) != accepted.end();
}

bool FakeHardware::CheckMultiSample(std::uint32_t format, std::uint32_t& qualityLevels) {
  ExpectDirect3D("CheckMultiSample");
  multiSampleFormats.push_back(format);
  qualityLevels = script_.multiSample ? script_.qualityLevels : 0;
  return script_.multiSample;
}

bool FakeHardware::GetPixelShaderVersion(std::uint32_t& version) {
  ExpectDirect3D("GetPixelShaderVersion");
  if (script_.deviceCaps) {
    version = script_.pixelShaderVersion;
  }
  return script_.deviceCaps;
}

bool FakeHardware::CheckDxt5Texture(std::uint32_t adapterFormat) {
  ExpectDirect3D("CheckDxt5Texture");
  dxt5Formats.push_back(adapterFormat);
  return script_.dxt5;
}

std::uint32_t FakeHardware::GetAdapterModeCount(std::uint32_t format) {
  ExpectDirect3D("GetAdapterModeCount");
  modeCountFormats.push_back(format);
  const auto reported = script_.reportedModeCounts.find(format);
  if (reported != script_.reportedModeCounts.end()) {
    return reported->second;
  }
  const auto found = script_.modes.find(format);
  return found == script_.modes.end() ? 0 : static_cast<std::uint32_t>(found->second.size());
}

bool FakeHardware::EnumAdapterMode(std::uint32_t format, std::uint32_t index, std::uint32_t& width,
                                   std::uint32_t& height) {
  ExpectDirect3D("EnumAdapterMode");
  ++modeQueries;
  const auto found = script_.modes.find(format);
  const std::size_t listed = found == script_.modes.end() ? 0 : found->second.size();
  if (index >= listed && script_.reportedModeCounts.count(format) != 0 &&
      index < script_.reportedModeCounts[format]) {
    width = 800 + index;
    height = 600;
    return true;
  }
  if (found == script_.modes.end() || index >= found->second.size()) {
    ADD_FAILURE() << "EnumAdapterMode(" << format << ", " << index << ") beyond the mode count";
    return false;
  }
  const FakeMode& mode = found->second[index];
  if (mode.fails) {
    return false;
  }
  width = mode.width;
  height = mode.height;
  return true;
}

bool FakeHardware::EnumGameControllers(GameControllerVisitor& visitor) {
  if (!script_.directInput) {
    ADD_FAILURE() << "controllers enumerated although there is no DirectInput object";
  }
  ++enumerations;
  for (bool opens : script_.controllers) {
    FakeController controller(opens, controllersTried);
    if (!visitor.Visit(controller)) {
      break;
    }
  }
  return script_.enumerationSucceeds;
}
