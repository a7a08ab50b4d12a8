// The windows that the substitutes show: their class, their controls and the
// modal loop that libraries run while the caller waits.
#pragma once

#include <windows.h>

namespace simshared {

// A window class with a plain dialog face. A library registers it for the
// length of one call: a class left behind would point at the library's code
// after it is unloaded. A nested call finds the class registered and leaves
// its removal to the call that registered it.
class ScopedWindowClass {
 public:
  ScopedWindowClass(const wchar_t* name, WNDPROC proc, HINSTANCE module);
  ~ScopedWindowClass();
  ScopedWindowClass(const ScopedWindowClass&) = delete;
  ScopedWindowClass& operator=(const ScopedWindowClass&) = delete;
  bool registered() const { return registered_; }

 private:
  const wchar_t* name_;
  HINSTANCE module_;
  bool registered_ = false;
};

// The font of message boxes; null when the system does not say.
HFONT CreateMessageFont();

// A visible child control of `parent`'s module, in `font` when one is given.
HWND AddChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle,
              int id, int x, int y, int cx, int cy, HFONT font);

struct ModalEnd {
  bool quit = false;  // a WM_QUIT ended the loop
  int exitCode = 0;
};

// Dispatches the thread's messages, offering each to `window`'s dialog keys
// first, until `window` is destroyed or a WM_QUIT arrives. After a WM_QUIT the
// caller closes its window and posts the quit again (PostQuitMessage), so that
// its own caller's loop still ends.
ModalEnd RunModalLoop(HWND window);

}  // namespace simshared
