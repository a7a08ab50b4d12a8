#include "alloc_count.h"

#include <windows.h>
// Needs the types from windows.h.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace bench {

namespace {

volatile LONG g_allocations = 0;

void Count() { InterlockedIncrement(&g_allocations); }

// One counting stand-in per import; Id keeps stand-ins of one signature apart.
template <int Id, typename Result, typename... Args>
struct CdeclHook {
  using Fn = Result(__cdecl*)(Args...);
  static inline Fn original = nullptr;
  static Result __cdecl Call(Args... args) {
    Count();
    return original(args...);
  }
};

template <int Id, typename Result, typename... Args>
struct WinapiHook {
  using Fn = Result(WINAPI*)(Args...);
  static inline Fn original = nullptr;
  static Result WINAPI Call(Args... args) {
    Count();
    return original(args...);
  }
};

using MallocHook = CdeclHook<0, void*, size_t>;

struct Redirect {
  const char* name;
  void* hook;
  void** original;
};

template <typename Hook>
Redirect Make(const char* name) {
  return {name, reinterpret_cast<void*>(&Hook::Call), reinterpret_cast<void**>(&Hook::original)};
}

const Redirect kRedirects[] = {
    Make<MallocHook>("malloc"),
    Make<CdeclHook<1, void*, size_t, size_t>>("calloc"),
    Make<CdeclHook<2, void*, void*, size_t>>("realloc"),
    Make<CdeclHook<3, void*, void*, size_t, size_t>>("_recalloc"),
    Make<CdeclHook<4, char*, const char*>>("_strdup"),
    Make<CdeclHook<5, char*, const char*>>("strdup"),
    Make<CdeclHook<6, wchar_t*, const wchar_t*>>("_wcsdup"),
    Make<CdeclHook<7, void*, size_t, size_t>>("_aligned_malloc"),
    Make<CdeclHook<8, void*, void*, size_t, size_t>>("_aligned_realloc"),
    Make<WinapiHook<0, LPVOID, HANDLE, DWORD, SIZE_T>>("HeapAlloc"),
    Make<WinapiHook<1, LPVOID, HANDLE, DWORD, LPVOID, SIZE_T>>("HeapReAlloc"),
    Make<WinapiHook<2, HLOCAL, UINT, SIZE_T>>("LocalAlloc"),
    Make<WinapiHook<3, HLOCAL, HLOCAL, SIZE_T, UINT>>("LocalReAlloc"),
    Make<WinapiHook<4, HGLOBAL, UINT, SIZE_T>>("GlobalAlloc"),
    Make<WinapiHook<5, HGLOBAL, HGLOBAL, SIZE_T, UINT>>("GlobalReAlloc"),
    Make<WinapiHook<6, LPVOID, SIZE_T>>("CoTaskMemAlloc"),
    Make<WinapiHook<7, LPVOID, LPVOID, SIZE_T>>("CoTaskMemRealloc"),
    Make<WinapiHook<8, BSTR, const OLECHAR*>>("SysAllocString"),
    Make<WinapiHook<9, BSTR, const OLECHAR*, UINT>>("SysAllocStringLen"),
    Make<WinapiHook<10, BSTR, LPCSTR, UINT>>("SysAllocStringByteLen"),
    Make<WinapiHook<11, INT, BSTR*, const OLECHAR*>>("SysReAllocString"),
    Make<WinapiHook<12, INT, BSTR*, const OLECHAR*, UINT>>("SysReAllocStringLen"),
};

const Redirect* FindRedirect(const char* name) {
  for (const Redirect& redirect : kRedirects) {
    if (std::strcmp(redirect.name, name) == 0) return &redirect;
  }
  return nullptr;
}

bool Patch(void** slot, void* value) {
  DWORD protection = 0;
  if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &protection)) return false;
  *slot = value;
  VirtualProtect(slot, sizeof(*slot), protection, &protection);
  return true;
}

// Not counted itself: operator new counts once, then takes memory here.
void* Allocate(std::size_t size) {
  void* memory =
      MallocHook::original ? MallocHook::original(size ? size : 1) : std::malloc(size ? size : 1);
  return memory;
}

}  // namespace

std::wstring InstallAllocationCounter() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::wstring names;
  if (imports.VirtualAddress == 0) return names;
  for (auto* module =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       module->Name != 0; ++module) {
    const DWORD lookup =
        module->OriginalFirstThunk ? module->OriginalFirstThunk : module->FirstThunk;
    const auto* entry = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk);
    for (; entry->u1.AddressOfData != 0; ++entry, ++slot) {
      if (IMAGE_SNAP_BY_ORDINAL(entry->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + entry->u1.AddressOfData);
      const char* name = reinterpret_cast<const char*>(byName->Name);
      const Redirect* redirect = FindRedirect(name);
      if (!redirect) continue;
      void** function = reinterpret_cast<void**>(&slot->u1.Function);
      if (*function == redirect->hook) continue;
      *redirect->original = *function;
      if (!Patch(function, redirect->hook)) continue;
      if (!names.empty()) names += L',';
      for (const char* c = name; *c; ++c) names += static_cast<wchar_t>(*c);
    }
  }
  return names;
}

long AllocationCount() { return g_allocations; }

}  // namespace bench

void* operator new(std::size_t size) {
  bench::Count();
  void* memory = bench::Allocate(size);
  // Exceptions are not used: running out of memory ends the benchmark.
  if (!memory) std::abort();
  return memory;
}

void* operator new[](std::size_t size) {
  bench::Count();
  void* memory = bench::Allocate(size);
  if (!memory) std::abort();
  return memory;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  bench::Count();
  return bench::Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  bench::Count();
  return bench::Allocate(size);
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
