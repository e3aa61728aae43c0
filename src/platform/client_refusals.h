#pragma once
// The debug lines of clients refused for their account. Any local account can
// connect to the request pipe as often as it likes, so each line it can cause
// is rationed: one at an account's first refusal, then at most one a minute,
// with the count of refusals since the last line.

#include <cstdint>
#include <vector>

#include "platform/debug_output.h"
#include "system/clock.h"

namespace jobhost {

inline constexpr std::int64_t kRefusalLineIntervalMs = 60'000;
// Accounts remembered at once; a further one takes the place of the one
// whose last line is oldest, and may cost a line sooner than a minute.
inline constexpr std::size_t kRememberedRefusedAccounts = 64;

class ClientRefusals {
 public:
  ClientRefusals(Clock& clock, DebugOutput& debug, std::uint32_t servedUser)
      : clock_(clock), debug_(debug), servedUser_(servedUser) {}

  // One client of user refused.
  void Refused(std::uint32_t user);

 private:
  struct Account {
    std::uint32_t user;
    std::int64_t lastLineMs;
    std::uint64_t refusedSince;  // refusals since the last line, not yet told
  };

  Account* Find(std::uint32_t user);
  void FirstRefusal(std::uint32_t user, std::int64_t now);

  Clock& clock_;
  DebugOutput& debug_;
  std::uint32_t servedUser_;
  std::vector<Account> accounts_;
};

}  // namespace jobhost
