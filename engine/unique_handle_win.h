#pragma once

#include <windows.h>

#include <utility>

// Owns one Win32 handle; `Traits` says what "no handle" is and how to let go of one.
template <typename Traits>
class UniqueHandle {
public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Reset(other.Release());
    }
    return *this;
  }
  ~UniqueHandle() { Reset(); }

  Handle Get() const { return handle_; }
  bool Valid() const { return handle_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  Handle Release() {
    Handle handle = handle_;
    handle_ = Traits::Invalid();
    return handle;
  }
  void Reset(Handle handle = Traits::Invalid()) {
    if (Valid()) {
      Traits::Close(handle_);
    }
    handle_ = handle;
  }

private:
  Handle handle_ = Traits::Invalid();
};

// Kernel objects whose "no handle" is null (events, processes, threads).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

// Kernel objects whose "no handle" is INVALID_HANDLE_VALUE (files, find handles of CreateFile).
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { CloseHandle(handle); }
};
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;

// GDI objects made by Create* (bitmaps, fonts, brushes).
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DeleteObject(handle); }
};
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;

// Memory device contexts made by CreateCompatibleDC.
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DeleteDC(handle); }
};
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// Icons made by LoadImage (not shared ones).
struct IconTraits {
  using Handle = HICON;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DestroyIcon(handle); }
};
using UniqueIcon = UniqueHandle<IconTraits>;

// Libraries loaded by LoadLibrary*.
struct LibraryTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { FreeLibrary(handle); }
};
using UniqueLibrary = UniqueHandle<LibraryTraits>;

// Hooks set by SetWindowsHookEx.
struct HookTraits {
  using Handle = HHOOK;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { UnhookWindowsHookEx(handle); }
};
using UniqueHook = UniqueHandle<HookTraits>;

// Timers of the thread rather than of a window (SetTimer with no window).
struct ThreadTimerTraits {
  using Handle = UINT_PTR;
  static Handle Invalid() { return 0; }
  static void Close(Handle handle) { KillTimer(nullptr, handle); }
};
using UniqueThreadTimer = UniqueHandle<ThreadTimerTraits>;
