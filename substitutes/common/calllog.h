// The latest calls made to a substitute, kept in shared memory: plain data
// that zeroing clears. Each record's `seq` numbers it from 1 since the log was
// last cleared; once the log is full the oldest records are overwritten.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace simshared {

template <typename Record, uint32_t Capacity>
struct CallLog {
  uint32_t count;  // records since the log was cleared: the latest one's seq
  Record records[Capacity];

  // Stores `record` under the next seq and returns that seq.
  uint32_t Append(const Record& record) {
    const uint32_t seq = ++count;
    Record& stored = records[(seq - 1) % Capacity];
    stored = record;
    stored.seq = seq;
    return seq;
  }

  // Record `seq`, while the log still holds it.
  Record* Find(uint32_t seq) {
    if (seq == 0 || seq > count) return nullptr;
    Record& record = records[(seq - 1) % Capacity];
    return record.seq == seq ? &record : nullptr;
  }

  // Calls `visit` for each record after `afterSeq`, oldest first.
  template <typename Visit>
  void ForEachAfter(uint32_t afterSeq, Visit&& visit) const {
    uint32_t first = count > Capacity ? count - Capacity + 1 : 1;
    if (afterSeq + 1 > first) first = afterSeq + 1;
    for (uint32_t seq = first; seq <= count && seq != 0; ++seq) {
      visit(records[(seq - 1) % Capacity]);
    }
  }

  std::vector<Record> After(uint32_t afterSeq) const {
    std::vector<Record> out;
    out.reserve(count < Capacity ? count : Capacity);
    ForEachAfter(afterSeq, [&out](const Record& record) { out.push_back(record); });
    return out;
  }

  void Clear() {
    count = 0;
    std::memset(records, 0, sizeof(records));
  }
};

}  // namespace simshared
