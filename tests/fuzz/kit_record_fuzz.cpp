// The record of what setup installed, as any program or person may have left it in the kit
// folder: whatever the text, reading it never crashes, what is read names only paths inside the
// kit folder, and written again it reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "manifest.h"
#include "plan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane::kitsetup;
  const std::wstring text(data, data + size);
  const std::optional<Manifest> record = ParseManifest(text);
  if (!record) return 0;
  for (const auto& [path, hash] : record->files) {
    if (!IsKitRelative(path)) __builtin_trap();
  }
  for (const std::wstring& folder : record->folders) {
    if (!IsKitRelative(folder)) __builtin_trap();
  }
  const std::optional<Manifest> again = ParseManifest(FormatManifest(*record));
  if (!again || again->files != record->files || again->folders != record->folders) {
    __builtin_trap();
  }
  const UninstallPlan plan = PlanUninstall(*record, [](const std::wstring& path) {
    return std::optional<std::wstring>(path.size() % 2 ? std::wstring(64, L'a') : L"");
  });
  for (const std::wstring& path : plan.remove) {
    if (!record->files.count(path)) __builtin_trap();
  }
  return 0;
}
