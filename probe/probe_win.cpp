#include "probe/probe_win.h"

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif

#include <windows.h>
#include <d3d9.h>
#include <dinput.h>
#include <wrl/client.h>

#include <cstdint>

#include "engine/system_library_win.h"

using Microsoft::WRL::ComPtr;

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
    ComPtr<IDirectInputDevice8A> device;
    return SUCCEEDED(input_.CreateDevice(instanceGuid_, device.GetAddressOf(), nullptr)) &&
           device != nullptr;
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

// Holds the Direct3D object for the whole probe and the DirectInput object from the first input
// question on; both go when the probe ends.
class WindowsHardware : public HardwareQueries {
public:
  explicit WindowsHardware(HINSTANCE instance) : instance_(instance) {
    // No Direct3D 9 at all reads as a machine without it, as a failed creation does.
    if (auto* create = SYSTEM_FUNCTION("d3d9.dll", Direct3DCreate9)) {
      direct3D_.Attach(create(kDirect3DSdkVersion));
    }
  }

  bool HasDirect3D() override { return direct3D_ != nullptr; }

  // The probe asks nothing else once HasDirect3D said no; the guards only keep a misuse from
  // turning into a crash.
  bool CheckDeviceType(std::uint32_t format) override {
    if (direct3D_ == nullptr) {
      return false;
    }
    const auto d3dFormat = static_cast<D3DFORMAT>(format);
    return SUCCEEDED(
        direct3D_->CheckDeviceType(kAdapter, D3DDEVTYPE_HAL, d3dFormat, d3dFormat, FALSE));
  }

  bool CheckMultiSample(std::uint32_t format, std::uint32_t& qualityLevels) override {
    if (direct3D_ == nullptr) {
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
    if (direct3D_ == nullptr || FAILED(direct3D_->GetDeviceCaps(kAdapter, D3DDEVTYPE_HAL, &caps))) {
      return false;
    }
    version = caps.PixelShaderVersion;
    return true;
  }

  bool CheckDxt5Texture(std::uint32_t adapterFormat) override {
    return direct3D_ != nullptr &&
           SUCCEEDED(direct3D_->CheckDeviceFormat(kAdapter, D3DDEVTYPE_HAL,
                                                  static_cast<D3DFORMAT>(adapterFormat), 0,
                                                  D3DRTYPE_TEXTURE, D3DFMT_DXT5));
  }

  std::uint32_t GetAdapterModeCount(std::uint32_t format) override {
    if (direct3D_ == nullptr) {
      return 0;
    }
    return direct3D_->GetAdapterModeCount(kAdapter, static_cast<D3DFORMAT>(format));
  }

  bool EnumAdapterMode(std::uint32_t format, std::uint32_t index, std::uint32_t& width,
                       std::uint32_t& height) override {
    D3DDISPLAYMODE mode = {};
    if (direct3D_ == nullptr || FAILED(direct3D_->EnumAdapterModes(
                                    kAdapter, static_cast<D3DFORMAT>(format), index, &mode))) {
      return false;
    }
    width = mode.Width;
    height = mode.Height;
    return true;
  }

  bool HasDirectInput() override {
    if (directInput_ == nullptr) {
      auto* create = SYSTEM_FUNCTION("dinput8.dll", DirectInput8Create);
      ComPtr<IDirectInput8A> input;
      if (create != nullptr &&
          SUCCEEDED(create(instance_, kDirectInputVersion, IID_IDirectInput8A,
                           reinterpret_cast<void**>(input.GetAddressOf()), nullptr))) {
        directInput_ = input;
      }
    }
    return directInput_ != nullptr;
  }

  bool EnumGameControllers(GameControllerVisitor& visitor) override {
    if (directInput_ == nullptr) {
      return false;
    }
    EnumContext context{directInput_.Get(), &visitor};
    return SUCCEEDED(directInput_->EnumDevices(DI8DEVCLASS_GAMECTRL, OnGameController, &context,
                                               DIEDFL_ATTACHEDONLY));
  }

private:
  HINSTANCE instance_;
  ComPtr<IDirect3D9> direct3D_;
  ComPtr<IDirectInput8A> directInput_;
};

}  // namespace

ProbeOutcome ProbeHardware(HINSTANCE instance) {
  WindowsHardware hardware(instance);
  return RunProbe(hardware);
}
