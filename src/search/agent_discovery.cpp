#include "search/agent_discovery.h"

#include <type_traits>

#include "abi/discovery_abi.h"

namespace jobhost {
namespace {

constexpr char kBroadcastTarget[] = "255.255.255.255";
constexpr char kDefaultCommunity[] = "public";
constexpr std::int32_t kTimeoutMs = 3000;
constexpr std::int32_t kNameSearchTimeoutMs = 6000;

// Arguments of the SNMPv3 pass that do not depend on the settings.
constexpr std::int32_t kV3Argument4 = 3;
constexpr std::int32_t kV3Argument5 = 30;
constexpr std::int32_t kV3TimeoutMs = 6000;
constexpr std::int32_t kV3Retries = 2;
constexpr std::uint32_t kV3Argument8 = 0xFD000080u;
constexpr std::int32_t kV3Argument10 = 0;

// The targets and flags of both find calls of one discovery.
struct FindCase {
  std::int32_t broadcast = 1;
  std::string target;
  std::int32_t timeoutMs = kTimeoutMs;
  std::string v3Ipv4Target;
  std::string v3Ipv6Target;
  bool nameFilter = false;
};

FindCase ChooseIpv4Case(const SearchSettings& settings) {
  FindCase chosen;
  std::string target = settings.ipv4Target();
  if (settings.singleHost() && target.find('.') != std::string::npos) {
    chosen.broadcast = 0;
    chosen.target = target;
  } else if (settings.singleHost()) {
    // A host name: search everywhere, then keep the agent of that name.
    chosen.target = kBroadcastTarget;
    chosen.timeoutMs = kNameSearchTimeoutMs;
    chosen.nameFilter = true;
  } else {
    chosen.target = settings.broadcastToTarget() ? target : kBroadcastTarget;
  }
  chosen.v3Ipv4Target = chosen.target;
  return chosen;
}

FindCase ChooseIpv6Case(const SearchSettings& settings) {
  FindCase chosen;
  if (settings.singleHost()) chosen.broadcast = 0;
  if (settings.singleHost() || settings.broadcastToTarget()) chosen.target = settings.ipv6Target();
  chosen.v3Ipv6Target = chosen.target;
  return chosen;
}

std::string CommunityOf(const SearchSettings& settings) {
  std::string community = settings.community();
  return community.empty() ? kDefaultCommunity : community;
}

class Discovery {
 public:
  Discovery(SearchSettings& settings, Library& library, const std::string& parameter,
            AgentTable& table)
      : settings_(settings), library_(library), parameter_(parameter), table_(table) {}

  void Run() {
    ResetAgentTable(table_);
    auto findV3 = ExportAs<FindV3AgentFunction>(library_.Symbol(kFindV3AgentExport));
    if (settings_.useIpv6()) {
      RunFamily(kFindAgentV6Export, OnSnmpAgentFoundV6, ChooseIpv6Case(settings_), findV3);
    } else {
      RunFamily(kFindAgentExport, OnSnmpAgentFound, ChooseIpv4Case(settings_), findV3);
    }
  }

 private:
  // The family's find call, then the SNMPv3 call with the same callback.
  template <typename Callback>
  void RunFamily(const char* findExport, Callback callback, const FindCase& chosen,
                 FindV3AgentFunction findV3) {
    constexpr bool kIpv4 = std::is_same_v<Callback, AgentFoundCallback>;
    auto find = ExportAs<FindAgentFunctionOf<Callback>>(library_.Symbol(findExport));
    if (find == nullptr) {
      ResetAgentTable(table_);
      return;
    }
    // The IPv4 callback writes only its texts and leaves the zero bytes
    // behind them to this; the IPv6 callback clears its own slot.
    if constexpr (kIpv4) ClearAgentTable(table_);
    std::string community = CommunityOf(settings_);
    {
      ReportsGoTo reports(table_);
      find(community.c_str(), chosen.broadcast, chosen.target.c_str(), chosen.timeoutMs,
           parameter_.c_str(), nullptr, callback, nullptr);
    }
    if constexpr (kIpv4) {
      CallV3(findV3, chosen, callback, nullptr);
    } else {
      CallV3(findV3, chosen, nullptr, callback);
    }
    if (chosen.nameFilter) {
      if (auto match = FirstAgentNamed(table_, settings_.ipv4Target()))
        KeepOnlyAgent(table_, *match);
    }
  }

  // A library without the SNMPv3 export still had its first find call.
  void CallV3(FindV3AgentFunction findV3, const FindCase& chosen, AgentFoundCallback callbackV4,
              AgentFoundV6Callback callbackV6) {
    if (findV3 == nullptr) return;
    ReportsGoTo reports(table_);
    findV3(chosen.broadcast, chosen.v3Ipv4Target.c_str(), chosen.v3Ipv6Target.c_str(), kV3Argument4,
           kV3Argument5, kV3TimeoutMs, kV3Retries, kV3Argument8, parameter_.c_str(), kV3Argument10,
           callbackV4, callbackV6);
  }

  SearchSettings& settings_;
  Library& library_;
  const std::string& parameter_;
  AgentTable& table_;
};

}  // namespace

std::int32_t DiscoverAgents(SearchSettings& settings, const Family& family,
                            std::u16string_view searchParameter, Platform& platform,
                            AgentTable& table) {
  // Cut at a whole letter of the 8-bit form, by its own rules.
  std::string parameter = platform.oem.FromUtf16(searchParameter);
  parameter.resize(platform.oem.WholeLettersWithin(parameter, kOemParameterCapacity - 1));
  // A library path that does not fit is never loaded cut short.
  std::optional<std::u16string> path = family.LibraryPath(kDiscoveryLibrarySuffix);
  std::unique_ptr<Library> library = path ? platform.libraries.Load(*path) : nullptr;
  if (library != nullptr) {
    Discovery(settings, *library, parameter, table).Run();
    // No function of the library may run once the merge has begun.
    library.reset();
  }
  MergeAgentTable(table, settings);
  return 1;
}

}  // namespace jobhost
