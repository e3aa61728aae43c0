#include <array>
#include <cstddef>

#include "arguments.h"
#include "commands.h"
#include "reg_options.h"
#include "settings_access.h"
#include "support/utf.h"
#include "text_formats.h"

namespace jobhost::ctl {
namespace {

// Larger than any value this system stores; a larger value reads as unreadable.

constexpr std::string_view kRegHelp = R"(usage: jobhostctl reg query KEY [VALUE] [--out F]
       jobhostctl reg set KEY VALUE (--binary-file F | --binary-hex HEX | --dword N) [--type T]
       jobhostctl reg delete KEY VALUE

Reads and writes the per-user settings store: the registry on Windows, the
SQLite database of $JOBHOST_REGISTRY (or the default location) on Linux.
KEY is written as in the registry, "HKEY_CURRENT_USER\Software\..." or
"HKCU\Software\...".

query    prints one line per value: name, type and data, separated by tabs.
         REG_DWORD in decimal, REG_SZ as text, everything else in hex.
         Without VALUE: every value of the key.
         --out F   also writes the value's raw data to the file F
set      creates the key (and its parents) when missing and writes the value:
         --binary-file F   REG_BINARY, the bytes of file F
         --binary-hex HEX  REG_BINARY, the bytes given in hex
         --dword N         REG_DWORD, N decimal, 0x hex, or negative
         --type T          store the bytes under another type: a number or
                           REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD
delete   deletes the value.

exit codes: 0 done, 1 key or value missing (or the store failed), 2 usage error
)";

std::string ValueLine(std::string_view name, ValueType type, std::span<const std::uint8_t> data) {
  return std::string(name) + "\t" + ValueTypeName(type) + "\t" + ValueDataText(type, data) + "\n";
}

int QueryKey(ToolSettings& settings, const std::u16string& path) {
  std::optional<std::vector<ListedValue>> values = settings.ListValues(path);
  if (!values) return Fail(kExitFailed, "key not found");
  for (const ListedValue& value : *values) PrintOut(ValueLine(value.name, value.type, value.data));
  return kExitOk;
}

int QueryValue(ToolSettings& settings, const std::u16string& path, const std::string& name,
               const std::optional<std::string>& outPath) {
  std::unique_ptr<SettingsKey> key = settings.store().OpenKey(path);
  if (!key) return Fail(kExitFailed, "key not found");
  std::vector<std::byte> buffer(kQueryBuffer);
  std::optional<StoredValue> stored = key->QueryValue(Utf8ToUtf16(name), buffer);
  if (!stored) return Fail(kExitFailed, "value not found");
  std::vector<std::uint8_t> data(stored->size);
  for (std::size_t i = 0; i < stored->size; ++i) data[i] = static_cast<std::uint8_t>(buffer[i]);
  if (outPath && !WriteFileBytes(*outPath, data))
    return Fail(kExitFailed, "cannot write " + *outPath);
  PrintOut(ValueLine(name, stored->type, data));
  return kExitOk;
}

struct ValueToSet {
  ValueType type = ValueType::kBinary;
  std::vector<std::uint8_t> data;
};

// The value the options describe; an error text when they do not.
std::string ReadValueToSet(const ParsedArguments& parsed, ValueToSet& value, bool& fileMissing) {
  if (std::optional<std::string> file = parsed.Value("--binary-file")) {
    std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(*file);
    fileMissing = !bytes;
    if (!bytes) return "cannot read " + *file;
    value.data = std::move(*bytes);
  } else if (std::optional<std::string> hex = parsed.Value("--binary-hex")) {
    std::optional<std::vector<std::uint8_t>> bytes = ParseHex(*hex);
    if (!bytes) return "--binary-hex needs pairs of hex digits";
    value.data = std::move(*bytes);
  } else {
    std::optional<std::uint32_t> number = ParseDword(*parsed.Value("--dword"));
    if (!number) return "--dword needs a 32-bit number";
    value.type = ValueType::kDword;
    value.data = DwordData(*number);
  }
  if (std::optional<std::string> typeText = parsed.Value("--type")) {
    std::optional<ValueType> type = ParseValueType(*typeText);
    if (!type) return "--type needs a type name or number";
    value.type = *type;
  }
  return {};
}

int SetValue(ToolSettings& settings, const std::u16string& path, const std::string& name,
             const ParsedArguments& parsed) {
  ValueToSet value;
  bool fileMissing = false;
  if (std::string error = ReadValueToSet(parsed, value, fileMissing); !error.empty())
    return Fail(fileMissing ? kExitFailed : kExitUsage, error);
  std::unique_ptr<SettingsKey> key = settings.store().CreateKey(path);
  if (!key) return Fail(kExitFailed, "cannot open or create the key");
  std::vector<std::byte> data(value.data.size());
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::byte>(value.data[i]);
  if (!key->SetValue(Utf8ToUtf16(name), value.type, data))
    return Fail(kExitFailed, "cannot write the value");
  return kExitOk;
}

int DeleteValue(ToolSettings& settings, const std::u16string& path, const std::string& name) {
  std::unique_ptr<SettingsKey> key = settings.store().OpenKey(path);
  if (!key) return Fail(kExitFailed, "key not found");
  if (!key->DeleteValue(Utf8ToUtf16(name))) return Fail(kExitFailed, "value not found");
  return kExitOk;
}

}  // namespace

int RunReg(std::span<const std::string> arguments) {
  ParsedArguments parsed = ParseArguments(arguments, kRegOptions);
  if (parsed.Has("--help")) return ShowHelp(kRegHelp);
  if (!parsed.error.empty()) return Fail(kExitUsage, parsed.error);
  if (std::string error = CheckRegArguments(parsed); !error.empty()) return Fail(kExitUsage, error);
  const std::string& action = parsed.positional[0];
  std::optional<std::string> path = PathBelowCurrentUser(parsed.positional[1]);
  if (!path) return Fail(kExitUsage, "KEY must start with HKEY_CURRENT_USER\\ or HKCU\\");
  std::u16string keyPath = Utf8ToUtf16(*path);
  std::unique_ptr<ToolSettings> settings = OpenToolSettings();
  if (action == "query") {
    if (parsed.positional.size() == 2) return QueryKey(*settings, keyPath);
    return QueryValue(*settings, keyPath, parsed.positional[2], parsed.Value("--out"));
  }
  if (action == "set") return SetValue(*settings, keyPath, parsed.positional[2], parsed);
  return DeleteValue(*settings, keyPath, parsed.positional[2]);
}

}  // namespace jobhost::ctl
