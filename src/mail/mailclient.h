// Where the default Simple MAPI mail client is, and whether this process can
// load its library or must hand the message to the helper of the other
// architecture.
#pragma once

#include <windows.h>

namespace mail {

// 64-bit Windows keeps two views of HKLM\Software: a 32-bit program reads
// its own and reaches the other with KEY_WOW64_64KEY, a 64-bit one with
// KEY_WOW64_32KEY. 32-bit Windows has only one.
enum class RegistryView { OWN, OTHER };

constexpr WORD kOwnMachine =
    sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
constexpr WORD kOtherMachine =
    sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;

// True where Windows runs programs of the other architecture beside this
// one's and so keeps a registry view for them.
bool HasOtherView();

// The expanded path of the client's library as `view` names it: true, or
// false when the view names none or it does not fit `path` (MAX_PATH).
bool ClientLibrary(RegistryView view, wchar_t* path);

// The machine a library was built for, read from its PE header as a program
// of the view's architecture would find the file; 0 when it is no PE image.
WORD LibraryMachine(const wchar_t* path, RegistryView view);

enum class Route {
  NONE,        // no client: nothing to load
  IN_PROCESS,  // load `library` into this process
  HELPER,      // `library` is the other architecture's: the helper sends
};

// The client to use: this process's own view first, then the other one when
// the own view names none or a library of the other architecture.
Route FindClient(wchar_t* library);

}  // namespace mail
