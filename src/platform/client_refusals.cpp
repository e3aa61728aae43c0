#include "platform/client_refusals.h"

#include <algorithm>

#include "platform/debug_trace.h"

namespace jobhost {

ClientRefusals::Account* ClientRefusals::Find(std::uint32_t user) {
  auto found = std::ranges::find(accounts_, user, &Account::user);
  return found != accounts_.end() ? &*found : nullptr;
}

void ClientRefusals::FirstRefusal(std::uint32_t user, std::int64_t now) {
  DebugTrace(debug_, "client of user %u refused: the service serves user %u only", user,
             servedUser_);
  if (accounts_.size() < kRememberedRefusedAccounts) {
    accounts_.push_back({user, now, 0});
    return;
  }
  *std::ranges::min_element(accounts_, {}, &Account::lastLineMs) = {user, now, 0};
}

void ClientRefusals::Refused(std::uint32_t user) {
  const std::int64_t now = clock_.NowMs();
  Account* account = Find(user);
  if (account == nullptr) {
    FirstRefusal(user, now);
    return;
  }
  ++account->refusedSince;
  if (now - account->lastLineMs < kRefusalLineIntervalMs) return;
  DebugTrace(debug_,
             "client of user %u refused %llu times since the last such line: the service "
             "serves user %u only",
             user, static_cast<unsigned long long>(account->refusedSince), servedUser_);
  account->lastLineMs = now;
  account->refusedSince = 0;
}

}  // namespace jobhost
