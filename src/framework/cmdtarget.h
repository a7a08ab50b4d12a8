// Message maps and command routing.
//
// Each class that reacts to messages declares DECLARE_MESSAGE_MAP() and
// defines one table, chained to its base class's table:
//
//   BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
//     ON_WM_TIMER()
//     ON_COMMAND(ID_EXIT, OnExit)
//   END_MESSAGE_MAP()
//
// Handlers are typed member functions; WPARAM and LPARAM are unpacked once,
// in the thunks below.
#pragma once

#include <windows.h>

#include <type_traits>

class CCmdTarget;
class CCmdUI;

namespace afx {

using Thunk = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MsgMapEntry {
  UINT message;            // a window message, WM_COMMAND or WM_NOTIFY
  int code;                // command or notification code
  UINT id;                 // command or control id
  const UINT* registered;  // for registered messages: where their number is
  Thunk thunk;
};

struct MsgMap {
  const MsgMap* (*base)();
  const MsgMapEntry* entries;
};

// Command codes besides the controls' notification codes.
constexpr int CN_COMMAND = 0;
constexpr int CN_UPDATE_COMMAND_UI = -1;

struct Notification {
  NMHDR* header;
  LRESULT* result;
};

template <typename>
struct MemberOf;
template <typename C, typename R, typename... A>
struct MemberOf<R (C::*)(A...)> {
  using type = C;
};

template <auto F>
auto* Self(CCmdTarget* target) {
  return static_cast<typename MemberOf<decltype(F)>::type*>(target);
}

template <auto F>
LRESULT VoidThunk(CCmdTarget* t, WPARAM, LPARAM) {
  (Self<F>(t)->*F)();
  return 0;
}
template <auto F>
LRESULT CreateThunk(CCmdTarget* t, WPARAM, LPARAM l) {
  return (Self<F>(t)->*F)(reinterpret_cast<LPCREATESTRUCTW>(l));
}
template <auto F>
LRESULT TimerThunk(CCmdTarget* t, WPARAM w, LPARAM) {
  (Self<F>(t)->*F)(static_cast<UINT_PTR>(w));
  return 0;
}
template <auto F>
LRESULT MessageThunk(CCmdTarget* t, WPARAM w, LPARAM l) {
  return (Self<F>(t)->*F)(w, l);
}
template <auto F>
LRESULT EndSessionThunk(CCmdTarget* t, WPARAM w, LPARAM) {
  (Self<F>(t)->*F)(static_cast<BOOL>(w));
  return 0;
}
template <auto F>
LRESULT InitMenuPopupThunk(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Self<F>(t)->*F)(reinterpret_cast<HMENU>(w), LOWORD(l), static_cast<BOOL>(HIWORD(l)));
  return 0;
}
// Command update: the CCmdUI travels in LPARAM.
template <auto F>
LRESULT UpdateThunk(CCmdTarget* t, WPARAM, LPARAM l) {
  (Self<F>(t)->*F)(reinterpret_cast<CCmdUI*>(l));
  return 0;
}
// Notifications: NMHDR in LPARAM, the result slot in WPARAM.
template <auto F>
LRESULT NotifyThunk(CCmdTarget* t, WPARAM w, LPARAM l) {
  (Self<F>(t)->*F)(reinterpret_cast<NMHDR*>(l), reinterpret_cast<LRESULT*>(w));
  return 0;
}

}  // namespace afx

// The state of one command as its update handler sets it.
class CCmdUI {
 public:
  explicit CCmdUI(UINT id) : m_nID(id) {}
  void Enable(BOOL on = TRUE) {
    m_bEnabled = on != FALSE;
    m_bEnableChanged = true;
  }

  UINT m_nID;
  bool m_bEnabled = true;
  bool m_bEnableChanged = false;
};

class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  // Runs the handler of this target's map for `message` (WM_COMMAND or
  // WM_NOTIFY) with command or control `id` and `code`. `extra` is the
  // CCmdUI for CN_UPDATE_COMMAND_UI and the afx::Notification for
  // WM_NOTIFY. With `probe` set, only tells whether a handler exists.
  virtual bool OnCmdMsg(UINT message, UINT id, int code, void* extra, bool probe);

 protected:
  static const afx::MsgMap* GetThisMessageMap();
  virtual const afx::MsgMap* GetMessageMap() const;

  // The first entry of the map chain that takes `message` (for WM_COMMAND
  // and WM_NOTIFY also `code` and `id`), or null.
  const afx::MsgMapEntry* FindEntry(UINT message, int code, UINT id) const;
};

// clang-format off
#define DECLARE_MESSAGE_MAP()                         \
 protected:                                           \
  static const ::afx::MsgMap* GetThisMessageMap();    \
  const ::afx::MsgMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
  const ::afx::MsgMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
  const ::afx::MsgMap* theClass::GetThisMessageMap() {                                  \
    using ThisClass [[maybe_unused]] = theClass;                                        \
    using TheBaseClass = baseClass;                                                     \
    static const ::afx::MsgMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                             \
      {0, 0, 0, nullptr, nullptr}};                                                   \
    static const ::afx::MsgMap map = {&TheBaseClass::GetThisMessageMap, entries};     \
    return &map;                                                                      \
  }
// clang-format on

#define ON_WM_CREATE() {WM_CREATE, 0, 0, nullptr, &::afx::CreateThunk<&ThisClass::OnCreate>},
#define ON_WM_CLOSE() {WM_CLOSE, 0, 0, nullptr, &::afx::VoidThunk<&ThisClass::OnClose>},
#define ON_WM_DESTROY() {WM_DESTROY, 0, 0, nullptr, &::afx::VoidThunk<&ThisClass::OnDestroy>},
#define ON_WM_TIMER() {WM_TIMER, 0, 0, nullptr, &::afx::TimerThunk<&ThisClass::OnTimer>},
#define ON_WM_ENDSESSION() \
  {WM_ENDSESSION, 0, 0, nullptr, &::afx::EndSessionThunk<&ThisClass::OnEndSession>},
#define ON_WM_INITMENUPOPUP() \
  {WM_INITMENUPOPUP, 0, 0, nullptr, &::afx::InitMenuPopupThunk<&ThisClass::OnInitMenuPopup>},
#define ON_MESSAGE(message, handler) \
  {message, 0, 0, nullptr, &::afx::MessageThunk<&ThisClass::handler>},
#define ON_REGISTERED_MESSAGE(number, handler) \
  {0, 0, 0, &number, &::afx::MessageThunk<&ThisClass::handler>},
#define ON_COMMAND(id, handler) \
  {WM_COMMAND, ::afx::CN_COMMAND, id, nullptr, &::afx::VoidThunk<&ThisClass::handler>},
#define ON_UPDATE_COMMAND_UI(id, handler) \
  {WM_COMMAND, ::afx::CN_UPDATE_COMMAND_UI, id, nullptr, &::afx::UpdateThunk<&ThisClass::handler>},
#define ON_BN_CLICKED(id, handler) \
  {WM_COMMAND, BN_CLICKED, id, nullptr, &::afx::VoidThunk<&ThisClass::handler>},
#define ON_NOTIFY(code, id, handler) \
  {WM_NOTIFY, static_cast<int>(code), id, nullptr, &::afx::NotifyThunk<&ThisClass::handler>},
