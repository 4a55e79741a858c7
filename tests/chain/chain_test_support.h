// A host table with only the entries chain operations call, recording what
// they were given; and chains written and read group by group.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "host/chain.h"
#include "host/host_api.h"

namespace chaintest {

struct Recorded {
  std::vector<std::vector<int>> entmadeCodes;  // codes of each chain handed to Entmake_binW
  std::vector<std::vector<std::u16string>> erased;
  std::vector<int> eraseFlags;
};
inline Recorded& recorded() {
  static Recorded r;
  return r;
}

inline int recordEntmake(vd::ValueNode* chain, int) {
  std::vector<int> codes;
  for (vd::ChainItem item : vd::ChainView(chain)) codes.push_back(item.code());
  recorded().entmadeCodes.push_back(codes);
  return vd::kRtNorm;
}

inline int recordErase(const vd::vchar* const* handles, int count, int flag) {
  std::vector<std::u16string> texts;
  for (int i = 0; i < count; ++i) texts.emplace_back(handles[i]);
  recorded().erased.push_back(texts);
  recorded().eraseFlags.push_back(flag);
  return vd::kRtNorm;
}

// Installs the recording table for the lifetime of the object.
class RecordingHost {
 public:
  explicit RecordingHost(int cadType = 3) {
    vd::unbindHost();
    recorded() = Recorded{};
    auto* api = new vd::HostApi{};
    api->Entmake_binW = &recordEntmake;
    api->EraseHandles = &recordErase;
    vd::hostBinding().api = api;
    vd::hostBinding().cadType = cadType;
  }
  ~RecordingHost() { vd::unbindHost(); }
  RecordingHost(const RecordingHost&) = delete;
  RecordingHost& operator=(const RecordingHost&) = delete;
};

inline std::vector<int> codesOf(vd::ChainView chain) {
  std::vector<int> codes;
  for (vd::ChainItem item : chain) codes.push_back(item.code());
  return codes;
}

// A chain of the groups `fill` adds.
inline vd::OwnedChain chainOf(const std::function<void(vd::ChainBuilder&)>& fill) {
  vd::ChainBuilder b;
  fill(b);
  return b.build();
}

}  // namespace chaintest
