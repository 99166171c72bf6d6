#pragma once

// What the stand-in drivers share: their misbehaviour, picked at run time from
// ZURVO_STANDIN_FAULTS, a comma- separated list of fault names that the test sets in the launcher's
// environment (the launcher's probe processes inherit it). No variable: both stand-ins answer as a
// capable machine does.

#include <windows.h>

#include <cstring>

namespace standin {

inline bool Fault(const char* name) {
  char faults[512] = {};
  const DWORD length = GetEnvironmentVariableA("ZURVO_STANDIN_FAULTS", faults, sizeof faults);
  if (length == 0 || length >= sizeof faults) {
    return false;
  }
  const std::size_t size = std::strlen(name);
  for (const char* at = faults; (at = std::strstr(at, name)) != nullptr; at += size) {
    const bool starts = at == faults || at[-1] == ',';
    const bool ends = at[size] == '\0' || at[size] == ',';
    if (starts && ends) {
      return true;
    }
  }
  return false;
}

// What a driver does when it dereferences a null pointer: an access violation (0xC0000005).
inline void Crash() {
  volatile int* volatile nowhere = nullptr;
  *nowhere = 1;
}

inline void Hang() {
  for (;;) {
    Sleep(INFINITE);
  }
}

// Counts its references like any COM object and goes with the last; Released runs just before.
template <typename Interface>
class Counted : public Interface {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    if (object != nullptr) {
      *object = nullptr;
    }
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = --references_;
    if (left == 0) {
      Released();
      delete this;
    }
    return static_cast<ULONG>(left);
  }
  virtual ~Counted() = default;

protected:
  virtual void Released() {}

private:
  LONG references_ = 1;
};

}  // namespace standin
