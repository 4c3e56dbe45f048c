// The record of what setup installed, as any program or person may have left it in the kit
// folder: whatever the bytes, reading them never crashes, what is read names only paths inside
// the kit folder, and written again it reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "manifest.h"
#include "plan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane::kitsetup;
  const Record read = ReadRecord(Presence::kThere, std::string(data, data + size));
  if (read.state != RecordState::kRead) return 0;
  const Manifest& record = read.manifest;
  for (const auto& [path, hashes] : record.files) {
    if (!IsKitRelative(path) || hashes.empty()) __builtin_trap();
  }
  for (const std::wstring& folder : record.folders) {
    if (!IsKitRelative(folder)) __builtin_trap();
  }
  const std::optional<Manifest> again = DecodeManifest(EncodeManifest(record));
  if (!again || again->files != record.files || again->folders != record.folders) {
    __builtin_trap();
  }
  const UninstallPlan plan = PlanUninstall(record, [](const std::wstring& path) {
    return FileOnDisk{path.size() % 3 ? Presence::kThere : Presence::kUnreadable,
                      std::wstring(64, L'a'), path.size() % 2 == 0};
  });
  for (const std::wstring& path : plan.remove) {
    if (!record.files.count(path)) __builtin_trap();
  }
  return 0;
}
