#include "probe/probe_win.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif

#include <windows.h>
#include <d3d9.h>
#include <dinput.h>

#include <cstdint>

#include "engine/system_library_win.h"
#include "engine/unique_com_win.h"

namespace {

constexpr UINT kAdapter = 0;  // the primary display: the game opens no other
// The Direct3D 9 runtime the game is built against; a debug-runtime build of the headers would
// otherwise change D3D_SDK_VERSION under us.
constexpr UINT kDirect3DSdkVersion = 32;
constexpr DWORD kDirectInputVersion = 0x0800;

// One enumerated controller: opening it creates the device and drops it at once, since the probe
// only needs to know that it can be created.
class DirectInputController : public GameController {
public:
  DirectInputController(IDirectInput8A& input, const GUID& instanceGuid)
      : input_(input), instanceGuid_(instanceGuid) {}

  bool TryOpen() override {
    UniqueCom<IDirectInputDevice8A> device;
    return SUCCEEDED(input_.CreateDevice(instanceGuid_, device.Receive(), nullptr)) &&
           device.Get() != nullptr;
  }

private:
  IDirectInput8A& input_;
  const GUID& instanceGuid_;
};

// What the enumeration callback needs; travels through EnumDevices' context pointer so that no
// global carries state between the probe and the callback.
struct EnumContext {
  IDirectInput8A* input;
  GameControllerVisitor* visitor;
};

BOOL CALLBACK OnGameController(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
  auto* enumContext = static_cast<EnumContext*>(context);
  if (instance == nullptr || enumContext == nullptr) {
    return DIENUM_CONTINUE;
  }
  DirectInputController controller(*enumContext->input, instance->guidInstance);
  return enumContext->visitor->Visit(controller) ? DIENUM_CONTINUE : DIENUM_STOP;
}

// Loads each library and creates its object on the first question that needs it, so that a
// process probing only DirectInput never loads Direct3D, and holds both objects until the probe
// ends. `progress`, when given, hears of each library load before it starts: a driver's slow or
// hanging start-up code runs then.
class WindowsHardware : public HardwareQueries {
public:
  WindowsHardware(HINSTANCE instance, ProbeProgress* progress)
      : instance_(instance), progress_(progress) {}

  bool HasDirect3D() override {
    if (!direct3DAsked_) {
      direct3DAsked_ = true;
      Loading("d3d9.dll");
      // No Direct3D 9 at all reads as a machine without it, as a failed creation does.
      if (auto* create = UNLOGGED_SYSTEM_FUNCTION("d3d9.dll", Direct3DCreate9)) {
        Loading("Direct3DCreate9");
        direct3D_.Reset(create(kDirect3DSdkVersion));
      }
    }
    return direct3D_.Get() != nullptr;
  }

  // The probe asks nothing else once HasDirect3D said no; the guards only keep a misuse from
  // turning into a crash.
  bool CheckDeviceType(std::uint32_t format) override {
    const auto d3dFormat = static_cast<D3DFORMAT>(format);
    return direct3D_.Get() != nullptr &&
           SUCCEEDED(
               direct3D_->CheckDeviceType(kAdapter, D3DDEVTYPE_HAL, d3dFormat, d3dFormat, FALSE));
  }

  bool CheckMultiSample(std::uint32_t format, std::uint32_t& qualityLevels) override {
    if (direct3D_.Get() == nullptr) {
      return false;
    }
    DWORD levels = 0;
    const HRESULT result = direct3D_->CheckDeviceMultiSampleType(
        kAdapter, D3DDEVTYPE_HAL, static_cast<D3DFORMAT>(format), FALSE, D3DMULTISAMPLE_NONMASKABLE,
        &levels);
    qualityLevels = levels;
    return SUCCEEDED(result);
  }

  bool GetPixelShaderVersion(std::uint32_t& version) override {
    D3DCAPS9 caps = {};
    if (direct3D_.Get() == nullptr ||
        FAILED(direct3D_->GetDeviceCaps(kAdapter, D3DDEVTYPE_HAL, &caps))) {
      return false;
    }
    version = caps.PixelShaderVersion;
    return true;
  }

  bool CheckDxt5Texture(std::uint32_t adapterFormat) override {
    return direct3D_.Get() != nullptr &&
           SUCCEEDED(direct3D_->CheckDeviceFormat(kAdapter, D3DDEVTYPE_HAL,
                                                  static_cast<D3DFORMAT>(adapterFormat), 0,
                                                  D3DRTYPE_TEXTURE, D3DFMT_DXT5));
  }

  std::uint32_t GetAdapterModeCount(std::uint32_t format) override {
    return direct3D_.Get() == nullptr
               ? 0
               : direct3D_->GetAdapterModeCount(kAdapter, static_cast<D3DFORMAT>(format));
  }

  bool EnumAdapterMode(std::uint32_t format, std::uint32_t index, std::uint32_t& width,
                       std::uint32_t& height) override {
    D3DDISPLAYMODE mode = {};
    if (direct3D_.Get() == nullptr ||
        FAILED(
            direct3D_->EnumAdapterModes(kAdapter, static_cast<D3DFORMAT>(format), index, &mode))) {
      return false;
    }
    width = mode.Width;
    height = mode.Height;
    return true;
  }

  bool HasDirectInput() override {
    if (!directInputAsked_) {
      directInputAsked_ = true;
      Loading("dinput8.dll");
      if (auto* create = UNLOGGED_SYSTEM_FUNCTION("dinput8.dll", DirectInput8Create)) {
        Loading("DirectInput8Create");
        if (FAILED(create(instance_, kDirectInputVersion, IID_IDirectInput8A,
                          reinterpret_cast<void**>(directInput_.Receive()), nullptr))) {
          directInput_.Reset();
        }
      }
    }
    return directInput_.Get() != nullptr;
  }

  bool EnumGameControllers(GameControllerVisitor& visitor) override {
    if (directInput_.Get() == nullptr) {
      return false;
    }
    EnumContext context{directInput_.Get(), &visitor};
    return SUCCEEDED(directInput_->EnumDevices(DI8DEVCLASS_GAMECTRL, OnGameController, &context,
                                               DIEDFL_ATTACHEDONLY));
  }

private:
  void Loading(const char* what) {
    if (progress_ != nullptr) {
      progress_->Asking(what);
    }
  }

  HINSTANCE instance_;
  ProbeProgress* progress_;
  bool direct3DAsked_ = false;
  bool directInputAsked_ = false;
  UniqueCom<IDirect3D9> direct3D_;
  UniqueCom<IDirectInput8A> directInput_;
};

}  // namespace

ProbeOutcome ProbeHardware(HINSTANCE instance) {
  WindowsHardware hardware(instance, nullptr);
  return RunProbe(hardware);
}

void ProbeHardwarePart(HINSTANCE instance, ProbePart part, ProbeProgress& progress) {
  ProbeOutcome outcome;
  WindowsHardware hardware(instance, &progress);
  if (part == ProbePart::kDirect3D) {
    ProbeDirect3D(hardware, outcome, progress);
    progress.Asking("IDirect3D9::Release");
  } else {
    ProbeDirectInput(hardware, outcome, progress);
    progress.Asking("IDirectInput8::Release");
  }
}
