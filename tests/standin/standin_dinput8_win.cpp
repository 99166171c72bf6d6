// A stand-in dinput8.dll for the end-to-end tests: put beside the launcher (Wine loads it in
// place of its own with WINEDLLOVERRIDES=dinput8=n,b), it reports one game controller that opens,
// or misbehaves the way some USB devices' drivers do: the enumeration hangs, or creating the
// device crashes (standin_faults_win.h).
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>

#include <new>

#include "tests/standin/standin_faults_win.h"

namespace {

using standin::Counted;
using standin::Fault;

// Every method a game would use answers "not implemented": the probe uses none.
class StandInDevice : public Counted<IDirectInputDevice8A> {
public:
  HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetProperty(REFGUID, LPCDIPROPHEADER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Acquire() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unacquire() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD, LPVOID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*,
                                         LPUNKNOWN) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                     DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Poll() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID,
                                              DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) override { return E_NOTIMPL; }
};

// The one controller's instance.
const GUID kControllerInstance = {
    0x5a757276, 0x6f00, 0x4a6f, {0x79, 0x73, 0x74, 0x69, 0x63, 0x6b, 0x00, 0x01}};

class StandInDirectInput : public Counted<IDirectInput8A> {
public:
  HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8A* device,
                                         LPUNKNOWN) override {
    if (Fault("dinput8-create-device-crash")) {
      standin::Crash();
    }
    if (device == nullptr || !IsEqualGUID(instance, kControllerInstance)) {
      return DIERR_DEVICENOTREG;
    }
    *device = new (std::nothrow) StandInDevice();
    return *device != nullptr ? DI_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA callback, LPVOID context,
                                        DWORD) override {
    if (Fault("dinput8-enum-hang")) {
      standin::Hang();
    }
    if (Fault("dinput8-slow")) {
      Sleep(1000);
    }
    DIDEVICEINSTANCEA controller = {};
    controller.dwSize = sizeof controller;
    controller.guidInstance = kControllerInstance;
    controller.dwDevType = DI8DEVTYPE_JOYSTICK;
    lstrcpyA(controller.tszInstanceName, "Stand-in controller");
    lstrcpyA(controller.tszProductName, "Stand-in controller");
    if (callback != nullptr) {
      callback(&controller, context);
    }
    return DI_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA,
                                                   LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID,
                                                   DWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                             LPDICONFIGUREDEVICESPARAMSA, DWORD, LPVOID) override {
    return E_NOTIMPL;
  }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    DirectInput8Create(HINSTANCE, DWORD, REFIID, LPVOID* object, LPUNKNOWN) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = static_cast<IDirectInput8A*>(new (std::nothrow) StandInDirectInput());
  return *object != nullptr ? DI_OK : E_OUTOFMEMORY;
}
