// The built TolvaneChat.exe, read as a file and as a resource module: version record, icons,
// manifest, embedded banner and texts, and a PE image that needs no DLL beside the system's.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "jpeg_image.h"
#include "kit_fixtures.h"
#include "resource_ids.h"

namespace {
using namespace tolvane::test;

const std::wstring kExe = HostPath(TOLVANE_BINARY_DIR "/app/TolvaneChat.exe");

std::string ReadSourceResource(const char* name) {
  return ReadBytes(HostPath(std::string(TOLVANE_SOURCE_DIR "/resources/") + name));
}

struct ModuleDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

std::string_view ResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
  HRSRC found = FindResourceW(module, name, type);
  if (!found) return {};
  const void* data = LockResource(LoadResource(module, found));
  return {static_cast<const char*>(data), SizeofResource(module, found)};
}

template <typename T>
T At(std::string_view bytes, std::size_t offset) {
  T value{};
  if (offset <= bytes.size() && sizeof(T) <= bytes.size() - offset) {
    std::memcpy(&value, bytes.data() + offset, sizeof(T));
  }
  return value;
}

class ExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryExW(kExe.c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module_) << "cannot load the launcher, error " << GetLastError();
  }
  HMODULE module() const { return module_.get(); }

 private:
  Module module_;
};

std::wstring VersionText(const std::vector<BYTE>& record, const std::wstring& name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring key = L"\\StringFileInfo\\040904B0\\" + name;
  if (!VerQueryValueW(record.data(), key.c_str(), &value, &length) || length == 0) return L"-";
  return static_cast<const wchar_t*>(value);
}

TEST(ExeVersion, CarriesVersionAndNames) {
  DWORD ignored = 0;
  std::vector<BYTE> record(GetFileVersionInfoSizeW(kExe.c_str(), &ignored));
  ASSERT_FALSE(record.empty()) << "no version record, error " << GetLastError();
  ASSERT_TRUE(
      GetFileVersionInfoW(kExe.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));
  void* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", &fixed, &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  // 1.0.0.1445: 1 and 0 in the high and low word of the first half, 0 and 1445 in the second.
  EXPECT_EQ(info->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(info->dwFileVersionLS, 1445u);
  EXPECT_EQ(info->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(info->dwProductVersionLS, 1445u);

  EXPECT_EQ(VersionText(record, L"FileVersion"), L"1.0.0.1445");
  EXPECT_EQ(VersionText(record, L"ProductVersion"), L"1.0.0.1445");
  for (const wchar_t* name : {L"FileDescription", L"InternalName", L"LegalTrademarks",
                              L"OriginalFilename", L"ProductName"}) {
    EXPECT_EQ(VersionText(record, name), L"Tolvane Chat") << name;
  }
  std::string copyright = ReadSourceResource("copyright.txt");
  ASSERT_FALSE(copyright.empty());
  copyright.pop_back();  // its line end
  EXPECT_EQ(VersionText(record, L"LegalCopyright"),
            std::wstring(copyright.begin(), copyright.end()));
}

// The alpha of an icon's top-left pixel, as Windows decoded it.
int TopLeftAlpha(HBITMAP colour, int size) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<std::size_t>(size) * size);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, colour, 0, size, pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return static_cast<int>(pixels[0] >> 24);
}

// The window loads its icons this way; each must come out at its own size, its corner
// transparent.
TEST_F(ExeResources, IconsLoadAtTheirSizes) {
  // The pictures' images for 125 to 200 % are PNG-coded, decoded by Windows.
  const std::pair<const wchar_t*, std::vector<int>> icons[] = {
      {IDI_MAINICON, {16, 32, 48}},
      {MAKEINTRESOURCEW(IDI_APACHE), {24, 30}},
      {MAKEINTRESOURCEW(IDI_WOWZA), {24}},
      {MAKEINTRESOURCEW(IDI_RED5), {24, 36}},
      {MAKEINTRESOURCEW(IDI_PHP), {24, 42}},
      {MAKEINTRESOURCEW(IDI_DOTNET), {24, 48}},
      {MAKEINTRESOURCEW(IDI_JAVA), {64, 80, 128}}};
  for (const auto& [name, sizes] : icons) {
    for (const int size : sizes) {
      SCOPED_TRACE(::testing::Message()
                   << "icon "
                   << (IS_INTRESOURCE(name) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(name))
                                            : std::wstring(name))
                   << " at " << size);
      auto* icon =
          static_cast<HICON>(LoadImageW(module(), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
      ASSERT_NE(icon, nullptr) << "error " << GetLastError();
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP colour{};
      GetObjectW(info.hbmColor, sizeof colour, &colour);
      EXPECT_EQ(colour.bmWidth, size);
      EXPECT_EQ(colour.bmHeight, size);
      EXPECT_EQ(TopLeftAlpha(info.hbmColor, size), 0);
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
}

TEST_F(ExeResources, ManifestAsksForCommonControls6AndNoElevation) {
  const std::string_view manifest =
      ResourceBytes(module(), CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
  const std::string text(manifest);
  EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(text.find("uiAccess=\"false\""), std::string::npos);
  const std::size_t controls = text.find("name=\"Microsoft.Windows.Common-Controls\"");
  ASSERT_NE(controls, std::string::npos);
  EXPECT_NE(text.find("version=\"6.0.0.0\"", controls), std::string::npos);
}

// The running launcher's window lays itself out for each monitor's dpi, as its manifest asks:
// never stretched by the system. The process is ended, not closed: closing stops the kit's servers.
TEST(ExeWindow, IsPerMonitorDpiAware) {
  const StartedProgram launcher = StartProgram(L"\"" + kExe + L"\"");
  ASSERT_TRUE(launcher.process);
  WaitForInputIdle(launcher.process.get(), 20000);
  HWND window = nullptr;
  while ((window = FindWindowExW(nullptr, window, L"TForm1", nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == launcher.id) break;
  }
  // Functions of Windows 10 (1607), which the build's Windows version leaves undeclared.
  const auto context_of =
      SystemFunction<HANDLE(WINAPI*)(HWND)>(L"user32.dll", "GetWindowDpiAwarenessContext");
  const auto awareness_of =
      SystemFunction<int(WINAPI*)(HANDLE)>(L"user32.dll", "GetAwarenessFromDpiAwarenessContext");
  constexpr int kPerMonitorAware = 2;  // DPI_AWARENESS_PER_MONITOR_AWARE
  const bool per_monitor =
      window && context_of && awareness_of && awareness_of(context_of(window)) == kPerMonitorAware;
  TerminateProcess(launcher.process.get(), 1);
  ASSERT_NE(window, nullptr);
  if (UnderWine()) {
    GTEST_SKIP() << "unchecked under Wine, where every process is per-monitor aware whatever its "
                    "manifest says";
  }
  EXPECT_TRUE(per_monitor);
}

TEST_F(ExeResources, EmbedsBannerAndTextsUnchanged) {
  const std::pair<int, const char*> embedded[] = {
      {IDR_BANNER, "banner.jpg"},
      {IDR_BANNER_125, "banner-125.jpg"},
      {IDR_BANNER_150, "banner-150.jpg"},
      {IDR_BANNER_175, "banner-175.jpg"},
      {IDR_BANNER_200, "banner-200.jpg"},
      {IDR_BANNER_250, "banner-250.jpg"},
      {IDR_EULA, "eula.txt"},
      {IDR_MEDIA_SERVER_LICENCE, "media-server-licence.txt"},
      {IDR_COPYRIGHT, "copyright.txt"}};
  for (const auto& [id, file] : embedded) {
    const std::string_view data = ResourceBytes(module(), MAKEINTRESOURCEW(id), RT_RCDATA);
    EXPECT_TRUE(data == ReadSourceResource(file)) << file;
  }
  const std::string_view banner = ResourceBytes(module(), MAKEINTRESOURCEW(IDR_BANNER), RT_RCDATA);
  tolvane::JpegImage image;
  ASSERT_TRUE(tolvane::DecodeJpeg(reinterpret_cast<const unsigned char*>(banner.data()),
                                  banner.size(), image));
  EXPECT_EQ(image.width, 550);
  EXPECT_EQ(image.height, 75);
  EXPECT_TRUE(image.progressive);
}

// The PE image, read from the file: a 64-bit GUI program importing from system DLLs only.
std::size_t FileOffset(std::string_view pe, std::size_t sections, int count, DWORD rva) {
  for (int i = 0; i < count; ++i) {
    const auto section = At<IMAGE_SECTION_HEADER>(pe, sections + i * sizeof(IMAGE_SECTION_HEADER));
    const DWORD extent = std::max(section.SizeOfRawData, section.Misc.VirtualSize);
    if (rva >= section.VirtualAddress && rva - section.VirtualAddress < extent) {
      return rva - section.VirtualAddress + section.PointerToRawData;
    }
  }
  return pe.size();
}

TEST(ExeImage, Is64BitGuiProgramNeedingOnlySystemDlls) {
  const std::string bytes = ReadBytes(kExe);
  const std::string_view pe = bytes;
  ASSERT_EQ(At<WORD>(pe, 0), IMAGE_DOS_SIGNATURE);
  const std::size_t nt = At<LONG>(pe, offsetof(IMAGE_DOS_HEADER, e_lfanew));
  const auto headers = At<IMAGE_NT_HEADERS64>(pe, nt);
  ASSERT_EQ(headers.Signature, DWORD{IMAGE_NT_SIGNATURE});
  EXPECT_EQ(headers.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
  ASSERT_EQ(headers.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
  EXPECT_EQ(headers.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

  const std::size_t sections =
      nt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + headers.FileHeader.SizeOfOptionalHeader;
  const int count = headers.FileHeader.NumberOfSections;
  const DWORD imports =
      headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  wchar_t system[MAX_PATH];
  ASSERT_NE(GetSystemDirectoryW(system, static_cast<UINT>(std::size(system))), 0u);
  std::vector<std::string> dlls;
  for (std::size_t at = FileOffset(pe, sections, count, imports);;
       at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    ASSERT_LT(at, pe.size());
    const auto descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(pe, at);
    if (descriptor.Name == 0) break;
    const std::size_t name = FileOffset(pe, sections, count, descriptor.Name);
    ASSERT_LT(name, pe.size());
    const std::string_view rest = pe.substr(name);
    const std::string dll(rest.substr(0, rest.find('\0')));
    dlls.push_back(dll);
    const std::wstring installed =
        std::wstring(system) + L"\\" + std::wstring(dll.begin(), dll.end());
    EXPECT_NE(GetFileAttributesW(installed.c_str()), INVALID_FILE_ATTRIBUTES)
        << dll << " is not a DLL of the system";
  }
  EXPECT_FALSE(dlls.empty());
}

}  // namespace
