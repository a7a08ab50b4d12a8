// The companion OCR application beside this program: its edition, read from
// its executable's version, and the language it chose for this program.
#pragma once

#include <cstdint>

// The companion's edition (a Quillora::Configuration::EditionType); 0 until
// detected, and when it cannot be told.
extern std::int32_t EditionId;

// The third component of quillora.exe's file version, which names the
// edition; the major and the fourth component go to `major` and `build` when
// given. 0, and nothing stored, when no version can be read.
std::int32_t GetCompanionFileVersion(std::int32_t* major, std::int32_t* build);
void DetectEdition();
// The LanguageId of the language the companion configuration gives this program.
std::int32_t DetectLanguage();
// Case-insensitive; 1 for every code without an entry.
std::int32_t LanguageIdFromCode(const wchar_t* code);
