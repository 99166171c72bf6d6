// A stand-in d3d9.dll for the end-to-end tests: put beside the launcher (Wine loads it in place
// of its own with WINEDLLOVERRIDES=d3d9=n,b), it answers the probe's questions as a capable
// adapter does, or misbehaves the way real drivers and wrappers have been seen to: it crashes,
// hangs, takes its time loading, or reports absurd modes and counts (standin_faults_win.h).
#include <windows.h>
#include <d3d9.h>

#include <new>

#include "tests/standin/standin_faults_win.h"

namespace {

using standin::Fault;

struct Size {
  UINT width;
  UINT height;
};

// Each size once per refresh rate, as adapters report them; 640 x 480 the game never offers.
const Size kModes[] = {{640, 480},  {640, 480},  {800, 600},   {800, 600},  {1024, 768},
                       {1024, 768}, {1024, 768}, {1280, 1024}, {1600, 1200}};
// A driver's nonsense among real modes.
const Size kAbsurdModes[] = {{1024, 768},        {65535, 65535},     {0xFFFFFFFFU, 0xFFFFFFFFU},
                             {0x80000000U, 600}, {800, 0x80000000U}, {1280, 1024}};

class StandInDirect3D final : public standin::Counted<IDirect3D9> {
public:
  HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void*) override { return E_NOTIMPL; }
  UINT STDMETHODCALLTYPE GetAdapterCount() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT, DWORD, D3DADAPTER_IDENTIFIER9*) override {
    return E_NOTIMPL;
  }
  UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT, D3DFORMAT) override {
    if (Fault("d3d9-endless-modes")) {
      return 0xFFFFFFFFU;
    }
    if (Fault("d3d9-many-modes")) {
      return 5000;
    }
    return Fault("d3d9-absurd-modes") ? ARRAYSIZE(kAbsurdModes) : ARRAYSIZE(kModes);
  }
  HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT, D3DFORMAT format, UINT index,
                                             D3DDISPLAYMODE* mode) override {
    if (Fault("d3d9-modes-hang")) {
      standin::Hang();
    }
    if (mode == nullptr) {
      return D3DERR_INVALIDCALL;
    }
    Size size{0, 0};
    if (Fault("d3d9-endless-modes") || Fault("d3d9-many-modes")) {
      size = {800 + index % 8000, 600 + index / 8000};
    } else if (Fault("d3d9-absurd-modes") && index < ARRAYSIZE(kAbsurdModes)) {
      size = kAbsurdModes[index];
    } else if (index < ARRAYSIZE(kModes)) {
      size = kModes[index];
    } else {
      return D3DERR_INVALIDCALL;
    }
    // A mode change under way: the rest of the list cannot be read.
    if (Fault("d3d9-modes-fail-partway") && index >= 5) {
      return D3DERR_INVALIDCALL;
    }
    mode->Width = size.width;
    mode->Height = size.height;
    mode->RefreshRate = 60;
    mode->Format = format;
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT, D3DDISPLAYMODE*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT, BOOL) override {
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD, D3DRESOURCETYPE,
                                              D3DFORMAT) override {
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT, D3DDEVTYPE, D3DFORMAT, BOOL,
                                                       D3DMULTISAMPLE_TYPE,
                                                       DWORD* levels) override {
    if (levels != nullptr) {
      *levels = Fault("d3d9-zero-quality") ? 0 : 4;
    }
    return D3D_OK;
  }
  HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT, D3DDEVTYPE, D3DFORMAT, D3DFORMAT,
                                                   D3DFORMAT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT, D3DDEVTYPE, D3DFORMAT,
                                                        D3DFORMAT) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS9* caps) override {
    if (caps == nullptr) {
      return D3DERR_INVALIDCALL;
    }
    *caps = D3DCAPS9{};
    caps->PixelShaderVersion = D3DPS_VERSION(3, 0);
    return D3D_OK;
  }
  HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT) override { return nullptr; }
  HRESULT STDMETHODCALLTYPE CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                                         IDirect3DDevice9**) override {
    return E_NOTIMPL;
  }

private:
  // A driver whose object falls over as it goes: the probe has its answers by then.
  void Released() override {
    if (Fault("d3d9-release-crash")) {
      standin::Crash();
    }
  }
};

}  // namespace

extern "C" __declspec(dllexport) IDirect3D9* WINAPI Direct3DCreate9(UINT) {
  if (Fault("d3d9-create-crash")) {
    standin::Crash();
  }
  if (Fault("d3d9-create-hang")) {
    standin::Hang();
  }
  if (Fault("d3d9-slow")) {
    Sleep(1000);
  }
  // Slower than the launcher waits, far quicker than hung: a first load scanned by an antivirus,
  // a driver waking after sleep.
  if (Fault("d3d9-late")) {
    Sleep(7000);
  }
  return new (std::nothrow) StandInDirect3D();
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // An overlay or wrapper that sets itself up at length as it is loaded.
  if (reason == DLL_PROCESS_ATTACH && Fault("d3d9-slow-load")) {
    Sleep(20000);
  }
  return TRUE;
}
