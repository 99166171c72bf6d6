#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/game_settings.h"

// Direct3D 9 pixel format codes the probe asks about.
enum PixelFormatCode : std::uint32_t {
  kFormatNone = 0,  // D3DFMT_UNKNOWN: no candidate passed
  kFormatR5G6B5 = 23,
  kFormatX1R5G5B5 = 24,
  kFormatA1R5G5B5 = 25,
  kFormatA8R8G8B8 = 21,
  kFormatX8R8G8B8 = 22,
};

// The most antialiasing quality levels the launcher uses. Direct3D 9 drivers report 1 to 8; a
// buggy driver or wrapper may answer anything up to 0xFFFFFFFF, and the settings dialog lists
// one entry per level, so a larger count is taken as this many.
constexpr std::int32_t kMaxQualityLevels = 16;

// What the launcher takes of a driver's display modes. A mode is listed only if both sides lie
// within these bounds (compared unsigned, before any conversion); a driver may report 0xFFFFFFFF
// as a width, or billions of modes.
constexpr std::uint32_t kMinimumModeWidth = 800;
constexpr std::uint32_t kMinimumModeHeight = 600;
constexpr std::uint32_t kMaximumModeSide = 16384;  // Direct3D 9's largest surface side
// Mode indexes asked per format: real adapters report a few hundred at most.
constexpr std::uint32_t kMaxModeIndexes = 4096;
// Entries the settings dialog's list can hold and a player can still choose from; each format
// gets half.
constexpr std::size_t kMaxListedModes = 512;

// Pixel shader 2.0 as Direct3D encodes it; bloom needs at least this, compared unsigned.
constexpr std::uint32_t kPixelShader20 = 0xFFFF0200U;

// "A8R8G8B8" and so on; "none" for kFormatNone, "unknown" for anything else.
const char* PixelFormatName(std::uint32_t format);

// One attached game controller as the enumeration hands it out.
class GameController {
public:
  virtual ~GameController() = default;
  // Creates the device and releases it at once; false when creation failed.
  virtual bool TryOpen() = 0;
};

// Decides, controller by controller, whether the enumeration goes on.
class GameControllerVisitor {
public:
  virtual ~GameControllerVisitor() = default;
  // True: hand out the next controller; false: stop the enumeration here.
  virtual bool Visit(GameController& controller) = 0;
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

  // False when no DirectInput object could be created.
  virtual bool HasDirectInput() = 0;
  // Hands every attached game controller, in the system's order, to `visitor` until it asks to
  // stop. Returns whether the enumeration call itself succeeded.
  virtual bool EnumGameControllers(GameControllerVisitor& visitor) = 0;
};

// The probe's answers, in the order they come. Direct3D gives the first two, DirectInput the
// third; each can be lost on its own when a driver crashes or hangs.
enum class ProbeAnswer { kGraphics, kModes, kInput };
constexpr int kProbeAnswerCount = 3;

// What the mode enumeration left out, counted once each for the log.
struct ModeListNotes {
  std::uint32_t outOfRange = 0;       // a side larger than kMaximumModeSide
  std::uint32_t failedQueries = 0;    // EnumAdapterModes failed for that index
  std::uint32_t indexesNotAsked = 0;  // beyond kMaxModeIndexes of a format
  std::uint32_t beyondListLimit = 0;  // usable, but the list already held kMaxListedModes
};
bool operator==(const ModeListNotes& a, const ModeListNotes& b);

// What one probe found, kept apart from the globals so that it can be computed anywhere (a
// test, a probe process) and published in one step.
struct ProbeOutcome {
  Capabilities caps;  // starts at the initial values
  DisplayModeList modes;
  bool clearFSAA = false;
  bool clearBloom = false;
  bool clearDXT5 = false;
  bool clearJoystick = false;
  // False when the display modes never came (caps says the same of the other answers).
  bool modesKnown = true;

  // What the report tool shows a player and the log keeps; the settings dialog needs none of it.
  bool direct3DPresent = false;
  bool directInputPresent = false;
  std::uint32_t format16 = kFormatNone;   // F16, or kFormatNone when no 16-bit candidate passed
  std::uint32_t format32 = kFormatNone;   // F32, or kFormatNone when no 32-bit candidate passed
  std::uint32_t driverQualityLevels = 0;  // the driver's own count, before the bounds
  bool deviceCapsRead = false;            // GetDeviceCaps answered
  std::uint32_t pixelShaderVersion = 0;   // meaningful only when deviceCapsRead
  ModeListNotes modeNotes;
  bool modeListTruncated = false;  // memory ran out while the list was filled
};

// Told, as the probe goes, which call it is about to make and which answers are in. The probe
// process passes both on at once, so that the launcher keeps what a driver answered before it
// crashed or hung, and can name the call that never returned.
class ProbeProgress {
public:
  virtual ~ProbeProgress() = default;
  // `call` is a Direct3D or DirectInput function's name.
  virtual void Asking(const char* call) = 0;
  // `outcome` now holds `answer` in full.
  virtual void Answered(ProbeAnswer answer, const ProbeOutcome& outcome) = 0;
};

// Direct3D's part: formats, antialiasing, bloom and DXT5 (one answer), then the display modes
// (the next). Never throws: when memory runs out while the mode list grows, the list keeps what
// it had.
void ProbeDirect3D(HardwareQueries& hardware, ProbeOutcome& outcome, ProbeProgress& progress);
// DirectInput's part: whether a game controller opens.
void ProbeDirectInput(HardwareQueries& hardware, ProbeOutcome& outcome, ProbeProgress& progress);
// Both parts in one go, in the fixed order.
ProbeOutcome RunProbe(HardwareQueries& hardware);

// Copies the fields that make up `answer` from `from` into `to`.
void CopyAnswer(ProbeAnswer answer, const ProbeOutcome& from, ProbeOutcome& to);
// What stands in for an answer that never came: the controls it would decide are off (caps), no
// mode is listed, and nothing is cleared, so that the file's own values stand.
void MarkUnanswered(ProbeAnswer answer, ProbeOutcome& outcome);

// One line each (no line end) for what the probe left out of `answer` or took in a bounded form:
// modes out of range, failed or not asked, a full list, a quality count of 0 or too many. Empty
// when the driver's answers were used as they came.
std::vector<std::string> AnswerNotes(ProbeAnswer answer, const ProbeOutcome& outcome);

// Publishes an outcome: capabilities and modes replaced, settings the hardware cannot honour
// switched off (FSAA, Bloom, DXT5 false; Joystick 0). Should memory run out while the list is
// copied, `modes` is left empty: a shorter choice beats a launcher that dies.
void ApplyProbeOutcome(const ProbeOutcome& outcome, Settings& settings, Capabilities& caps,
                       DisplayModeList& modes);

// Publishes one answer of `outcome` alone: the capabilities or the modes it decides, and the
// settings it switches off; everything else in the records stays as it is (a player's choices
// made since the outcome was first applied among it). ApplyProbeOutcome is this for every answer.
void ApplyProbeAnswer(ProbeAnswer answer, const ProbeOutcome& outcome, Settings& settings,
                      Capabilities& caps, DisplayModeList& modes);

// Only the settings part of ApplyProbeOutcome: switches off what the hardware cannot do. For
// settings read again after the outcome was applied.
void ApplyProbeSwitches(const ProbeOutcome& outcome, Settings& settings);
