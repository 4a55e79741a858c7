#include "hostsim/fault_injection.h"

namespace hostsim {

void HostCalls::reset() { *this = HostCalls(); }

void HostCalls::failFromNow(const std::string& operation, int n) { armed_.push_back({operation, n, 0}); }

void HostCalls::failAfterStart(const std::string& operation, int n) {
  if (started_) {
    // Counted from the start: the calls since then count already.
    int seen = operation == kAnyOperation ? position_ : 0;
    if (operation != kAnyOperation) {
      auto it = countsSinceStart_.find(operation);
      seen = it == countsSinceStart_.end() ? 0 : it->second;
    }
    armed_.push_back({operation, n, seen});
    return;
  }
  atStart_.push_back({operation, n, 0});
}

void HostCalls::moduleStarted() {
  if (started_) return;
  started_ = true;
  for (Plan& p : atStart_) armed_.push_back(p);
  atStart_.clear();
}

bool HostCalls::enter(const char* operation, size_t journalAt) {
  HostCall call;
  call.operation = operation;
  call.journalAt = journalAt;
  ++counts_[call.operation];
  if (started_) {
    call.position = ++position_;
    call.ordinal = ++countsSinceStart_[call.operation];
  }
  for (Plan& p : armed_) {
    if (p.seen >= p.nth) continue;  // fired already
    if (p.operation != kAnyOperation && p.operation != call.operation) continue;
    if (++p.seen == p.nth) call.injected = true;
  }
  log_.push_back(std::move(call));
  return log_.back().injected;
}

void HostCalls::refusedLast() {
  if (!log_.empty()) log_.back().refused = true;
}

int HostCalls::count(const std::string& operation) const {
  auto it = counts_.find(operation);
  return it == counts_.end() ? 0 : it->second;
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
