#include "http_request.h"

namespace tolvane {
namespace {

void AddLine(std::string& request, const char* name, const std::string& value) {
  request.append(name).append(": ").append(value).append("\r\n");
}

}  // namespace

std::string HostHeader(const HttpUrl& url) {
  return url.port == 80 ? url.host : url.host + ":" + std::to_string(url.port);
}

std::string BuildGetRequest(const HttpUrl& url, const std::string& cookies) {
  std::string request = "GET " + url.path + " HTTP/1.1\r\n";
  AddLine(request, "Host", HostHeader(url));
  AddLine(request, "Accept", kHttpAccept);
  AddLine(request, "Accept-Encoding", "identity");
  AddLine(request, "User-Agent", kHttpUserAgent);
  if (!cookies.empty()) AddLine(request, "Cookie", cookies);
  request.append("\r\n");
  return request;
}

}  // namespace tolvane
