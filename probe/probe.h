#pragma once

#include <cstdint>

#include "settings/game_settings.h"

// Direct3D 9 pixel format codes the probe asks about.
enum PixelFormatCode : std::uint32_t {
  kFormatR5G6B5 = 23,
  kFormatX1R5G5B5 = 24,
  kFormatA1R5G5B5 = 25,
  kFormatA8R8G8B8 = 21,
  kFormatX8R8G8B8 = 22,
};

// Exactly the questions the probe puts to the graphics adapter (adapter 0, HAL device) and the
// input devices. The Windows implementation answers them from Direct3D 9 and DirectInput 8;
// tests answer them from a script.
class HardwareQueries {
public:
  virtual ~HardwareQueries() = default;

  // False when no Direct3D object could be created: every graphics question is then moot.
  virtual bool HasDirect3D() = 0;
  // Full-screen device with display and back-buffer format both `format`.
  virtual bool CheckDeviceType(std::uint32_t format) = 0;
  // Non-maskable multisampling on `format`, full-screen; fills the quality-level count.
  virtual bool CheckMultiSample(std::uint32_t format, std::uint32_t& qualityLevels) = 0;
  // The adapter's PixelShaderVersion; false when the capability query fails.
  virtual bool GetPixelShaderVersion(std::uint32_t& version) = 0;
  // A DXT5 texture on adapter format `adapterFormat`.
  virtual bool CheckDxt5Texture(std::uint32_t adapterFormat) = 0;
  virtual std::uint32_t GetAdapterModeCount(std::uint32_t format) = 0;
  virtual bool EnumAdapterMode(std::uint32_t format, std::uint32_t index, std::uint32_t& width,
                               std::uint32_t& height) = 0;
  // True when an attached game controller was enumerated and one of them could be opened.
  virtual bool OpenFirstGameController() = 0;
};

// What one probe found, kept apart from the globals so that it can be computed anywhere (a
// test, a worker thread) and published in one step.
struct ProbeOutcome {
  Capabilities caps;  // starts at the initial values
  DisplayModeList modes;
  bool clearFSAA = false;
  bool clearBloom = false;
  bool clearDXT5 = false;
  bool clearJoystick = false;
};

// Asks `hardware` everything, in the fixed order, and returns the answers.
ProbeOutcome RunProbe(HardwareQueries& hardware);

// Publishes an outcome: capabilities and modes replaced, settings the hardware cannot honour
// switched off (FSAA, Bloom, DXT5 false; Joystick 0).
void ApplyProbeOutcome(const ProbeOutcome& outcome, Settings& settings, Capabilities& caps,
                       DisplayModeList& modes);
