#include "hostsim/fault_injection.h"

namespace hostsim {

bool operationFilter(std::string_view name, OperationFilter& out) {
  if (name == kAnyOperation) {
    out = std::nullopt;
    return true;
  }
  vd::HostOp op;
  if (!vd::hostOperationByName(name, op)) return false;
  out = op;
  return true;
}

void HostCalls::reset() { *this = HostCalls(); }

void HostCalls::failFromNow(OperationFilter filter, int n) { armed_.push_back({filter, n, 0}); }

void HostCalls::failAfterStart(OperationFilter filter, int n) {
  if (!started_) {
    atStart_.push_back({filter, n, 0});
    return;
  }
  // Counted from the start: the calls since then count already.
  armed_.push_back({filter, n, filter ? countsSinceStart_[index(*filter)] : position_});
}

void HostCalls::moduleStarted() {
  if (started_) return;
  started_ = true;
  for (Plan& p : atStart_) armed_.push_back(p);
  atStart_.clear();
}

bool HostCalls::enter(vd::HostOp operation, size_t journalAt) {
  HostCall call;
  call.operation = operation;
  call.journalAt = journalAt;
  ++counts_[index(operation)];
  if (started_) {
    call.position = ++position_;
    call.ordinal = ++countsSinceStart_[index(operation)];
  }
  for (Plan& p : armed_) {
    if (p.seen >= p.nth) continue;  // fired already
    if (p.filter && *p.filter != operation) continue;
    if (++p.seen == p.nth) call.injected = true;
  }
  log_.push_back(call);
  return call.injected;
}

bool HostCalls::failurePlanned() const {
  for (const Plan& p : armed_) {
    if (p.seen < p.nth) return true;
  }
  return false;
}

void HostCalls::refusedLast() {
  if (!log_.empty()) log_.back().refused = true;
}

std::string ordinalText(int n) {
  const char* suffix = "th";
  if (n % 100 < 11 || n % 100 > 13) {
    if (n % 10 == 1) suffix = "st";
    if (n % 10 == 2) suffix = "nd";
    if (n % 10 == 3) suffix = "rd";
  }
  return std::to_string(n) + suffix;
}

}  // namespace hostsim
