#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "probe/probe.h"

// One mode as the fake adapter reports it; `fails` makes EnumAdapterMode fail at its index.
struct FakeMode {
  std::uint32_t width;
  std::uint32_t height;
  bool fails = false;
};

// Everything the fake adapter and input system answer. The defaults describe a capable machine.
struct HardwareScript {
  bool direct3D = true;
  std::vector<std::uint32_t> acceptedFormats{kFormatX1R5G5B5, kFormatA1R5G5B5, kFormatR5G6B5,
                                             kFormatA8R8G8B8, kFormatX8R8G8B8};
  bool multiSample = true;
  std::uint32_t qualityLevels = 4;
  bool deviceCaps = true;
  std::uint32_t pixelShaderVersion = 0xFFFF0300U;
  bool dxt5 = true;
  std::map<std::uint32_t, std::vector<FakeMode>> modes;  // by format
  // A count to report instead of the list's size; indexes past the list answer with distinct
  // sizes of their own (800 + index by 600), as a driver that reports thousands would.
  std::map<std::uint32_t, std::uint32_t> reportedModeCounts;

  bool directInput = true;
  bool enumerationSucceeds = true;
  std::vector<bool> controllers;  // whether each attached controller opens
};

// Answers from a script and remembers what it was asked.
class FakeHardware : public HardwareQueries {
public:
  explicit FakeHardware(HardwareScript script) : script_(std::move(script)) {}

  bool HasDirect3D() override { return script_.direct3D; }
  bool CheckDeviceType(std::uint32_t format) override;
  bool CheckMultiSample(std::uint32_t format, std::uint32_t& qualityLevels) override;
  bool GetPixelShaderVersion(std::uint32_t& version) override;
  bool CheckDxt5Texture(std::uint32_t adapterFormat) override;
  std::uint32_t GetAdapterModeCount(std::uint32_t format) override;
  bool EnumAdapterMode(std::uint32_t format, std::uint32_t index, std::uint32_t& width,
                       std::uint32_t& height) override;
  bool HasDirectInput() override { return script_.directInput; }
  bool EnumGameControllers(GameControllerVisitor& visitor) override;

  // Formats handed to the antialiasing, DXT5 and mode-count questions, in order.
  std::vector<std::uint32_t> multiSampleFormats;
  std::vector<std::uint32_t> dxt5Formats;
  std::vector<std::uint32_t> modeCountFormats;
  int controllersTried = 0;
  int enumerations = 0;
  std::uint32_t modeQueries = 0;

private:
  // Graphics questions without a Direct3D object would be calls through a null pointer.
  void ExpectDirect3D(const char* question) const;

  HardwareScript script_;
};
