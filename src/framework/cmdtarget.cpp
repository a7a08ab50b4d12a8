#include "framework/cmdtarget.h"

const afx::MsgMap* CCmdTarget::GetThisMessageMap() {
  static const afx::MsgMapEntry entries[] = {{0, 0, 0, nullptr, nullptr}};
  static const afx::MsgMap map = {nullptr, entries};
  return &map;
}

const afx::MsgMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const afx::MsgMapEntry* CCmdTarget::FindEntry(UINT message, int code, UINT id) const {
  const bool keyed = message == WM_COMMAND || message == WM_NOTIFY;
  for (const afx::MsgMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const afx::MsgMapEntry* entry = map->entries; entry->thunk; ++entry) {
      const UINT number = entry->registered ? *entry->registered : entry->message;
      if (number != message || number == 0) continue;
      if (keyed && (entry->code != code || entry->id != id)) continue;
      return entry;
    }
  }
  return nullptr;
}

bool CCmdTarget::OnCmdMsg(UINT message, UINT id, int code, void* extra, bool probe) {
  const afx::MsgMapEntry* entry = FindEntry(message, code, id);
  if (!entry) return false;
  if (probe) return true;
  if (message == WM_NOTIFY) {
    const auto* notification = static_cast<const afx::Notification*>(extra);
    entry->thunk(this, reinterpret_cast<WPARAM>(notification->result),
                 reinterpret_cast<LPARAM>(notification->header));
  } else {
    entry->thunk(this, 0, reinterpret_cast<LPARAM>(extra));
  }
  return true;
}
