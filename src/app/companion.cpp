#include "app/companion.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "framework/debug.h"
#include "framework/modulepath.h"

std::int32_t EditionId = 0;

namespace {

constexpr wchar_t kCompanionExe[] = L"quillora.exe";
constexpr std::int32_t kCompanionMajor = 5;
constexpr std::int32_t kDefaultLanguageId = 1;

}  // namespace

std::int32_t GetCompanionFileVersion(std::int32_t* major, std::int32_t* build) {
  std::wstring quillora_fname = afx::FolderOf(afx::ModuleFileName(GetModuleHandleW(nullptr)));
  AFX_ASSERT(!quillora_fname.empty());
  if (quillora_fname.empty() || quillora_fname.back() != L'\\') quillora_fname += L'\\';
  quillora_fname += kCompanionExe;

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(quillora_fname.c_str(), &handle);
  if (size == 0) return 0;
  std::vector<BYTE> block(size, 0);
  GetFileVersionInfoW(quillora_fname.c_str(), 0, size, block.data());

  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", &value, &length) || length != sizeof(VS_FIXEDFILEINFO)) {
    return 0;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  if (major) *major = HIWORD(fixed->dwFileVersionMS);
  if (build) *build = LOWORD(fixed->dwFileVersionLS);
  return HIWORD(fixed->dwFileVersionLS);
}

void DetectEdition() {
  std::int32_t major = 0;
  const std::int32_t third = GetCompanionFileVersion(&major, nullptr);
  if (major != kCompanionMajor) {
    AFX_ASSERT(0);
    return;
  }
  switch (third) {
    case 1:
      EditionId = Quillora::Configuration::MINI;
      break;
    case 2:
    case 12:
      EditionId = Quillora::Configuration::PRO;
      break;
    case 3:
    case 13:
      EditionId = Quillora::Configuration::CORPORATE_CRM;
      break;
    default:
      AFX_ASSERT(0);
      break;
  }
}

std::int32_t DetectLanguage() {
  auto& configuration = Quillora::Configuration::Instance(
      static_cast<Quillora::Configuration::EditionType>(EditionId));
  return LanguageIdFromCode(
      configuration.GetLanguage(Quillora::Configuration::BUTTON_MANAGER).c_str());
}

std::int32_t LanguageIdFromCode(const wchar_t* code) {
  struct Entry {
    const wchar_t* code;
    std::int32_t id;
  };
  // Tried in this order; "itl" and "ita" both name Italian.
  static constexpr Entry kCodes[] = {
      {L"frn", 3},  {L"dut", 10}, {L"grm", 2},  {L"itl", 5},  {L"ita", 5},  {L"spn", 4},
      {L"cze", 18}, {L"grk", 17}, {L"trk", 30}, {L"cat", 43}, {L"ara", 58}, {L"fsi", 78},
      {L"mex", 77}, {L"brz", 12}, {L"tch", 57}, {L"sch", 56}, {L"kor", 55}, {L"jap", 37},
      {L"rus", 32}, {L"fin", 29}, {L"pol", 20}, {L"heb", 79}, {L"nrw", 9},  {L"bul", 36},
      {L"cro", 23}, {L"ser", 24}, {L"swd", 7},  {L"dan", 8},  {L"ice", 15}, {L"hun", 19},
      {L"iri", 44}, {L"rom", 21}, {L"lav", 40}, {L"lit", 39}, {L"est", 38}, {L"azl", 163},
      {L"prt", 11}, {L"ukr", 34},
  };
  for (const Entry& entry : kCodes) {
    if (_wcsicmp(code, entry.code) == 0) return entry.id;
  }
  return kDefaultLanguageId;
}
