// What the screen shows: which of the program's three pictures the shell's
// notification area holds, read from the pixels as a user sees them, and the
// whole screen saved as a picture.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace e2e {

enum class TrayPicture { NONE, NO_SCANNER, ATTACHED, LOCKED };
std::ostream& operator<<(std::ostream& out, TrayPicture picture);

class Tray {
 public:
  // The pictures come from the program's file, at the size the shell draws.
  explicit Tray(const std::wstring& program);

  TrayPicture Read() const;
  // Waits until the tray shows `picture`; what it shows at the end.
  TrayPicture WaitFor(TrayPicture picture, DWORD ms) const;
  // Where on the screen the program's icon is; false when it is not there.
  bool Locate(POINT* centre) const;

 private:
  TrayPicture Find(POINT* centre) const;

  struct Picture {
    TrayPicture kind;
    std::vector<DWORD> colours;  // row by row
    std::vector<bool> opaque;
  };
  std::vector<Picture> pictures_;
  int size_;
};

// The whole screen as a BMP file; false when it could not be written.
bool SaveScreen(const std::wstring& path);

}  // namespace e2e
