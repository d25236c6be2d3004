#include "app/command_line.h"

#include "base/ascii.h"

namespace {

enum class OptionEffect {
  ShowUsage,
  SelectDesktopToDevice,
  SelectDeviceToDesktop,
  SetSyncTables,
  SetAllowOverwrite,
  AddTable,
  SetDesktopFile,
  SetDeviceFile,
};

struct Option {
  const char* text;
  bool takesValue;
  OptionEffect effect;
};

// Compared in this order; the first equal one applies.
const Option kOptions[] = {
    {"/?", false, OptionEffect::ShowUsage},
    {"/D2P", false, OptionEffect::SelectDesktopToDevice},
    {"/P2D", false, OptionEffect::SelectDeviceToDesktop},
    {"/Sy", false, OptionEffect::SetSyncTables},
    {"/O", false, OptionEffect::SetAllowOverwrite},
    {"/T", true, OptionEffect::AddTable},
    {"/D", true, OptionEffect::SetDesktopFile},
    {"/P", true, OptionEffect::SetDeviceFile},
};

const Option* FindOption(const char* argument) {
  for (const Option& option : kOptions) {
    if (EqualsIgnoringAsciiCase(argument, option.text)) return &option;
  }
  return nullptr;
}

void ApplyOption(OptionEffect effect, const char* value, TransferRequest& request) {
  switch (effect) {
    case OptionEffect::ShowUsage: break;
    case OptionEffect::SelectDesktopToDevice:
      request.direction = TransferDirection::DesktopToDevice;
      break;
    case OptionEffect::SelectDeviceToDesktop:
      request.direction = TransferDirection::DeviceToDesktop;
      break;
    case OptionEffect::SetSyncTables: request.syncTables = 1; break;
    case OptionEffect::SetAllowOverwrite: request.allowOverwrite = 1; break;
    case OptionEffect::AddTable: request.tableNames.push_back(value); break;
    case OptionEffect::SetDesktopFile: request.desktopFile = value; break;
    case OptionEffect::SetDeviceFile: request.deviceFile = value; break;
  }
}

// The options given names that did not reach the program as typed, as far
// as those names count: the last of /D and of /P, and any /T.
struct UntypedNames {
  const char* desktopFile = nullptr;
  const char* deviceFile = nullptr;
  const char* table = nullptr;
};

void NoteValue(const Option& option, bool typed, UntypedNames& untyped) {
  const char* noted = typed ? nullptr : option.text;
  if (option.effect == OptionEffect::SetDesktopFile) untyped.desktopFile = noted;
  if (option.effect == OptionEffect::SetDeviceFile) untyped.deviceFile = noted;
  if (option.effect == OptionEffect::AddTable && noted != nullptr) untyped.table = noted;
}

}  // namespace

std::optional<TransferRequest> ParseCommandLine(int argc, const char* const argv[],
                                                const std::vector<bool>& asTyped) {
  const auto typed = [&](int at) {
    return asTyped.empty() || asTyped[static_cast<std::size_t>(at)];
  };
  TransferRequest request;
  UntypedNames untyped;
  for (int at = 1; at < argc; ++at) {
    const Option* option = typed(at) ? FindOption(argv[at]) : nullptr;
    if (option == nullptr) continue;
    if (option->effect == OptionEffect::ShowUsage) return std::nullopt;
    if (!option->takesValue) {
      ApplyOption(option->effect, nullptr, request);
    } else if (at + 1 < argc) {
      // The next argument is the value, whatever it is, even an option.
      ApplyOption(option->effect, argv[++at], request);
      NoteValue(*option, typed(at), untyped);
    }
  }
  for (const std::string& name : request.tableNames) request.tableList += name + "..";
  for (const char* option : {untyped.desktopFile, untyped.deviceFile, untyped.table}) {
    if (option != nullptr && request.notAsTyped.empty()) request.notAsTyped = option;
  }
  return request;
}
