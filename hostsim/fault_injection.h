// Calls of the host operations as the module makes them: each one counted and
// recorded, and failed on purpose where a script (`fail NAME N`), vdhost
// (`--fail NAME:N`) or the fault sweep asks for it.
#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "host/host_api.h"

namespace hostsim {

// One call of a host operation, as the fault sweep reads it.
struct HostCall {
  vd::HostOp operation = vd::HostOp::GetExternProduct;
  // Counted since the module started (the script's first `init`), from 1;
  // 0 for calls before it. The fault sweep's positions are these numbers.
  int position = 0;
  int ordinal = 0;         // among the calls of the same operation, counted the same way
  size_t journalAt = 0;    // the drawing's journal length when the call began
  bool injected = false;   // failed on purpose
  bool refused = false;    // the host refused it (a write the drawing did not take)
};

// Which calls a planned failure counts: those of one operation, or of every
// one (nothing); "*" in scripts and on vdhost's command line.
using OperationFilter = std::optional<vd::HostOp>;
inline constexpr const char* kAnyOperation = "*";
// The filter a name stands for: an operation's name or "*"; false for others.
bool operationFilter(std::string_view name, OperationFilter& out);

class HostCalls {
 public:
  // Forgets every call, count and planned failure; the module has not started.
  void reset();

  // The n-th call (n >= 1) that `filter` counts, from now on, fails.
  void failFromNow(OperationFilter filter, int n);
  // The same, counted from the module's start: armed at once when the module
  // has started already.
  void failAfterStart(OperationFilter filter, int n);

  // The module has started: positions are counted from here on, and the
  // failures planned for the start are armed. Later calls change nothing.
  void moduleStarted();
  bool started() const { return started_; }

  // A call of `operation` begins: counts and records it. True when it is to
  // fail; the host then answers as the operation reports failure.
  bool enter(vd::HostOp operation, size_t journalAt);
  // The call that began last was refused by the host.
  void refusedLast();
  // A planned failure is still to come.
  bool failurePlanned() const;

  // Every call since the last reset, in order.
  const std::vector<HostCall>& log() const { return log_; }
  // Calls of an operation since the last reset (before the start too).
  int count(vd::HostOp operation) const { return counts_[index(operation)]; }
  // Calls of any operation since the module started.
  int positions() const { return position_; }

 private:
  struct Plan {
    OperationFilter filter;
    int nth = 1;
    int seen = 0;
  };
  using Counts = std::array<int, vd::kHostOperationCount>;
  static size_t index(vd::HostOp op) { return static_cast<size_t>(op); }
  std::vector<Plan> armed_;
  std::vector<Plan> atStart_;
  std::vector<HostCall> log_;
  Counts counts_{};            // every call
  Counts countsSinceStart_{};
  int position_ = 0;
  bool started_ = false;
};

// "3rd", "21st": how the host names the n-th call.
std::string ordinalText(int n);

}  // namespace hostsim
