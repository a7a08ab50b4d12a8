// One owner per handle: a move-only holder whose traits say what "no handle"
// is and how the handle is released.
#pragma once

#include <windows.h>

#include <utility>

namespace afx {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueHandle() { reset(); }

  Type get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }
  bool operator==(Type other) const { return handle_ == other; }
  bool operator!=(Type other) const { return handle_ != other; }

  // Releases the handle held and takes `handle`; returns the release result.
  bool reset(Type handle = Traits::Invalid()) {
    bool released = true;
    if (handle_ != Traits::Invalid()) released = Traits::Close(handle_);
    handle_ = handle;
    return released;
  }
  Type release() { return std::exchange(handle_, Traits::Invalid()); }
  // For out-parameters: releases what is held and hands out the slot.
  Type* put() {
    reset();
    return &handle_;
  }

 private:
  Type handle_ = Traits::Invalid();
};

struct HandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
// Files and find handles say "none" with INVALID_HANDLE_VALUE.
struct FileTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Close(Type h) { return CloseHandle(h) != FALSE; }
};
struct FindTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Close(Type h) { return FindClose(h) != FALSE; }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return RegCloseKey(h) == ERROR_SUCCESS; }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return FreeLibrary(h) != FALSE; }
};
struct MenuTraits {
  using Type = HMENU;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DestroyMenu(h) != FALSE; }
};
struct IconTraits {
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DestroyIcon(h) != FALSE; }
};
struct FileMappingViewTraits {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static bool Close(Type p) { return UnmapViewOfFile(p) != FALSE; }
};
// Fonts, brushes, bitmaps.
template <typename Object>
struct GdiObjectTraits {
  using Type = Object;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DeleteObject(h) != FALSE; }
};
struct MemoryDcTraits {
  using Type = HDC;
  static Type Invalid() { return nullptr; }
  static bool Close(Type h) { return DeleteDC(h) != FALSE; }
};

using UniqueHandleT = UniqueHandle<HandleTraits>;  // events, mutexes, tokens, threads
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueMappedView = UniqueHandle<FileMappingViewTraits>;
template <typename Object>
using UniqueGdiObject = UniqueHandle<GdiObjectTraits<Object>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;

}  // namespace afx
