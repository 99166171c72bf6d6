#pragma once

#include <windows.h>

// Owns one reference to a COM object (Direct3D, DirectInput): it takes over the reference that a
// creating call hands out, without adding one, and gives it back exactly once. Not WRL's ComPtr:
// WRL needs Vista's API level and Visual Studio's XP toolset lacks it, and mingw-w64's Attach
// adds a reference of its own, so the object was never released.
template <typename Interface>
class UniqueCom {
public:
  UniqueCom() = default;
  explicit UniqueCom(Interface* object) : object_(object) {}
  UniqueCom(const UniqueCom&) = delete;
  UniqueCom& operator=(const UniqueCom&) = delete;
  UniqueCom(UniqueCom&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  UniqueCom& operator=(UniqueCom&& other) noexcept {
    if (this != &other) {
      Reset(other.object_);
      other.object_ = nullptr;
    }
    return *this;
  }
  ~UniqueCom() { Reset(); }

  Interface* Get() const { return object_; }
  Interface* operator->() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

  // For a creating call that hands its object out through a pointer: whatever was held is
  // released first, and the call's reference becomes this owner's.
  Interface** Receive() {
    Reset();
    return &object_;
  }
  void Reset(Interface* object = nullptr) {
    Interface* previous = object_;
    object_ = object;
    if (previous != nullptr) {
      previous->Release();
    }
  }

private:
  Interface* object_ = nullptr;
};
