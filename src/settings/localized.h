// Texts in the user's language: each translated block of the string table
// sits at a fixed offset from the English ids, and English fills every gap.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/cstring.h"

// Product names put into the "%s" of localized texts.
constexpr wchar_t kScannerProductName[] = L"CORVANTE";
constexpr wchar_t kOcrProductName[] = L"Quillora 5";

// The offset of `languageId`'s block from the English ids; 0 for English and
// for every language without a block.
std::int32_t LanguageStringOffset(std::int16_t languageId);

// Loads English string `id` in the current language, falling back to English.
void LoadLocalizedString(CString& text, UINT id);

// Localized text `id` with `argument` put into its "%s".
CString FormatLocalized(UINT id, const wchar_t* argument);
