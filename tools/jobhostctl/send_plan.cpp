#include "send_plan.h"

#include "support/utf.h"
#include "text_formats.h"

namespace jobhost::ctl {

std::string PipeBaseName(std::string_view name) {
  constexpr std::string_view kNamespace = "\\\\.\\pipe\\";
  if (name.substr(0, kNamespace.size()) == kNamespace) name.remove_prefix(kNamespace.size());
  return std::string(name);
}

std::vector<std::uint8_t> BuildRequestMessage(const MessageRecipe& recipe) {
  std::u16string text = Utf8ToUtf16(recipe.request.value_or(std::string()));
  if (recipe.terminator) text.push_back(u'\0');
  std::vector<std::uint8_t> message;
  for (char16_t unit : text) {
    message.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    message.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  if (recipe.size) {
    while (message.size() < *recipe.size) {
      message.push_back(message.size() % 2 == 0 ? std::uint8_t{'x'} : std::uint8_t{0});
    }
    message.resize(*recipe.size);
  }
  return message;
}

std::string DecodeReply(std::span<const std::uint8_t> message) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < message.size(); i += 2)
    text.push_back(static_cast<char16_t>(message[i] | (message[i + 1] << 8)));
  if (message.size() % 2 != 0) text.push_back(u'\uFFFD');
  return Utf16ToUtf8(text);
}

const std::array<OptionRule, 11> kSendOptions = {
    OptionRule{"--prefix", true},     OptionRule{"--pipe", true},
    OptionRule{"--timeout", true},    OptionRule{"--reply-timeout", true},
    OptionRule{"--nul", false},       OptionRule{"--bytes", true},
    OptionRule{"--raw-hex", true},    OptionRule{"--silent", false},
    OptionRule{"--hold", true},       OptionRule{"--vanish", false},
    OptionRule{"--reply-hex", false},
};

std::string PipeFromOptions(const ParsedArguments& parsed, std::string_view defaultPrefix) {
  if (std::optional<std::string> pipe = parsed.Value("--pipe")) return PipeBaseName(*pipe);
  return parsed.Value("--prefix").value_or(std::string(defaultPrefix)) + "xpsnamedpipe";
}

bool ReadSeconds(const ParsedArguments& parsed, std::string_view name,
                 std::chrono::milliseconds& limit, std::string& error) {
  std::optional<std::string> text = parsed.Value(name);
  if (!text) return true;
  std::optional<std::chrono::milliseconds> seconds = ParseSeconds(*text);
  if (!seconds) error = std::string(name) + " needs seconds, not " + *text;
  if (seconds) limit = *seconds;
  return seconds.has_value();
}

namespace {

std::string CheckCombination(const ParsedArguments& parsed) {
  bool request = !parsed.positional.empty();
  if (parsed.positional.size() > 1) return "one REQUEST at most (quote it)";
  if (parsed.Has("--prefix") && parsed.Has("--pipe"))
    return "--prefix and --pipe exclude each other";
  if (parsed.Has("--raw-hex") && (request || parsed.Has("--bytes") || parsed.Has("--nul")))
    return "--raw-hex is the whole message: no REQUEST, --bytes or --nul with it";
  if (parsed.Has("--silent") && (request || parsed.Has("--raw-hex") || parsed.Has("--bytes") ||
                                 parsed.Has("--nul") || parsed.Has("--vanish")))
    return "--silent sends nothing: no REQUEST or message option with it";
  if (parsed.Has("--hold") && !parsed.Has("--silent")) return "--hold goes with --silent";
  if (!parsed.Has("--silent") && !request && !parsed.Has("--raw-hex") && !parsed.Has("--bytes"))
    return "nothing to send: give REQUEST, --raw-hex or --bytes";
  return {};
}

}  // namespace

std::string MakeSendPlan(const ParsedArguments& parsed, std::string_view defaultPrefix,
                         SendPlan& plan) {
  if (std::string error = CheckCombination(parsed); !error.empty()) return error;
  plan.pipe = PipeFromOptions(parsed, defaultPrefix);
  plan.silent = parsed.Has("--silent");
  plan.vanish = parsed.Has("--vanish");
  plan.replyHex = parsed.Has("--reply-hex");
  std::string error;
  if (plan.silent) plan.replyLimit = kDefaultHold;
  if (!ReadSeconds(parsed, "--timeout", plan.connectLimit, error) ||
      !ReadSeconds(parsed, "--reply-timeout", plan.replyLimit, error) ||
      !ReadSeconds(parsed, "--hold", plan.replyLimit, error))
    return error;
  if (std::optional<std::string> hex = parsed.Value("--raw-hex")) {
    std::optional<std::vector<std::uint8_t>> bytes = ParseHex(*hex);
    if (!bytes) return "--raw-hex needs pairs of hex digits";
    plan.message = std::move(*bytes);
    return {};
  }
  MessageRecipe recipe;
  if (!parsed.positional.empty()) recipe.request = parsed.positional.front();
  recipe.terminator = parsed.Has("--nul");
  if (std::optional<std::string> size = parsed.Value("--bytes")) {
    recipe.size = ParseCount(*size);
    if (!recipe.size) return "--bytes needs a count, not " + *size;
  }
  plan.message = BuildRequestMessage(recipe);
  return {};
}

}  // namespace jobhost::ctl
