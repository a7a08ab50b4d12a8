// The functions a module imports, read from its import and delay-import
// directories.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

struct Import {
  std::string dll;
  bool delayed;          // the DLL loads on the first call, not with the module
  std::string function;  // empty for an import by ordinal
  void** slot;           // where the module calls it through
};

// `module` is a loaded module or a file mapped with LOAD_LIBRARY_AS_IMAGE_RESOURCE.
std::vector<Import> ImportsOf(HMODULE module);

}  // namespace testing_support
