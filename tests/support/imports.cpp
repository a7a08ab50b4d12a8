#include "support/imports.h"

namespace testing_support {

std::vector<Import> ImportsOf(HMODULE module) {
  // A module mapped as an image resource has its handle's low bits set.
  auto* base = reinterpret_cast<BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY* directories = nt->OptionalHeader.DataDirectory;

  std::vector<Import> imports;
  const auto add = [&](DWORD dll, bool delayed, DWORD names, DWORD slots) {
    auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names);
    auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + slots);
    for (; name->u1.AddressOfData; ++name, ++slot) {
      std::string function;
      if (!IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
        function =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData)->Name;
      }
      imports.push_back({reinterpret_cast<const char*>(base + dll), delayed, function,
                         reinterpret_cast<void**>(&slot->u1.Function)});
    }
  };
  if (const DWORD at = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress) {
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + at); d->Name; ++d) {
      add(d->Name, false, d->OriginalFirstThunk, d->FirstThunk);
    }
  }
  if (const DWORD at = directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress) {
    for (auto* d = reinterpret_cast<const IMAGE_DELAYLOAD_DESCRIPTOR*>(base + at); d->DllNameRVA;
         ++d) {
      add(d->DllNameRVA, true, d->ImportNameTableRVA, d->ImportAddressTableRVA);
    }
  }
  return imports;
}

}  // namespace testing_support
