// Linked into bench_minimal_libs: one function of each DLL that the program
// imports at load time, so that the loader maps the same DLLs for the
// baseline before it runs. Nothing calls them; scripts/bench compares the two
// import lists.
#include <windows.h>

#include <objbase.h>

extern "C" {

const void* bench_same_imports[] = {
    reinterpret_cast<const void*>(&RegCloseKey),   // advapi32
    reinterpret_cast<const void*>(&CoInitialize),  // ole32
};

}  // extern "C"
