// A top-level frame window loaded from a resource id (menu and title).
#pragma once

#include "framework/unique_handle.h"
#include "framework/wnd.h"

// Not a window style: asks LoadFrame to put the application's name in the title.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

class CFrameWnd : public CWnd {
 public:
  static constexpr wchar_t kClassName[] = L"ButtonManagerFrame";

  CFrameWnd() = default;

  BOOL LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                 CWnd* parent = nullptr, void* context = nullptr);

  // Commands go to the frame's own map first, then to the application.
  bool OnCmdMsg(UINT message, UINT id, int code, void* extra, bool probe) override;

 protected:
  int OnCreate(LPCREATESTRUCTW create);
  // The default close destroys the window.
  void OnClose();
  // Sets each item's state before a popup menu owned by the frame opens:
  // from its update handler, or enabled exactly when a handler exists.
  void OnInitMenuPopup(HMENU menu, UINT index, BOOL systemMenu);
  // The frame object is deleted once its window is gone, unless LoadFrame
  // failed: the caller still owns the object then.
  void PostNcDestroy() override {
    if (auto_delete_) delete this;
  }

 private:
  bool auto_delete_ = false;
  afx::UniqueMenu menu_;

  DECLARE_MESSAGE_MAP()
};
