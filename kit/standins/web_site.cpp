#include "web_site.h"

#include <windows.h>

#include <utility>

#include "owners.h"

namespace tolvane::standin {
namespace {

// Larger files are not part of the kit's web application; refuse rather than fill the memory.
constexpr LONGLONG kMaxFileSize = 16 * 1024 * 1024;

constexpr char kNotFound[] =
    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1>"
    "<p>The requested URL was not found on this server.</p></body></html>\n";
constexpr char kStarting[] =
    "<html><head><title>503 Service Unavailable</title></head><body><h1>Service Unavailable</h1>"
    "<p>The web application is starting. Please try again in a moment.</p></body></html>\n";

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > kMaxFileSize) {
    return false;
  }
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return false;
  }
  bytes.resize(read);
  return true;
}

}  // namespace

WebSite::WebSite(std::wstring www, unsigned long long warmup_ms)
    : www_(std::move(www)), ready_at_(GetTickCount64() + warmup_ms) {}

Page WebSite::Answer(const std::string& path) const {
  if (path == "/index.php") {
    if (GetTickCount64() < ready_at_) return {503, "Service Unavailable", kStarting};
    return File(L"index.php");
  }
  if (path == "/service/logs/") return File(L"service\\logs\\index.html");
  return {404, "Not Found", kNotFound};
}

Page WebSite::File(const wchar_t* relative_path) const {
  Page page;
  if (!ReadWholeFile(www_ + relative_path, page.body)) return {404, "Not Found", kNotFound};
  return page;
}

}  // namespace tolvane::standin
