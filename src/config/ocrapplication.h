// The companion OCR application's automation interface. The program calls
// GetState (slot 8), ShowScanSettings (slot 22) and ScanCards (slot 24); the
// rest of the table is declared so that those keep their places.
#pragma once

#include <windows.h>

#include <oleauto.h>
#include <unknwn.h>

#include <cstdint>

namespace Quillora {

// The class and the interface differ in one digit.
constexpr CLSID kOcrApplicationClsid = {
    0x7E41B9C2, 0x58D3, 0x4A0E, {0x9F, 0x6B, 0xC1, 0x3D, 0x2A, 0x85, 0xE7, 0xF4}};
constexpr IID kOcrApplicationIid = {
    0x7E41B9C1, 0x58D3, 0x4A0E, {0x9F, 0x6B, 0xC1, 0x3D, 0x2A, 0x85, 0xE7, 0xF4}};

// The constant the program passes to ShowScanSettings and ScanCards.
constexpr std::int32_t kOcrBusinessCards = 5;

// Slots 0 to 2 are IUnknown's.
struct IOcrApplication : public IUnknown {
  virtual HRESULT __stdcall GetVersion(BSTR* version) = 0;                                 // 3
  virtual HRESULT __stdcall GetEdition(std::int32_t* edition) = 0;                         // 4
  virtual HRESULT __stdcall GetLanguage(BSTR* code) = 0;                                   // 5
  virtual HRESULT __stdcall SetLanguage(BSTR code) = 0;                                    // 6
  virtual HRESULT __stdcall GetApplicationPath(BSTR* path) = 0;                            // 7
  virtual HRESULT __stdcall GetState(BSTR* text, std::int32_t* busy) = 0;                  // 8
  virtual HRESULT __stdcall ShowMainWindow(std::int32_t show) = 0;                         // 9
  virtual HRESULT __stdcall OpenDocument(BSTR path) = 0;                                   // 10
  virtual HRESULT __stdcall SaveDocument(BSTR path) = 0;                                   // 11
  virtual HRESULT __stdcall CloseDocument() = 0;                                           // 12
  virtual HRESULT __stdcall GetCardCount(std::int32_t* count) = 0;                         // 13
  virtual HRESULT __stdcall GetCardText(std::int32_t index, BSTR* text) = 0;               // 14
  virtual HRESULT __stdcall DeleteCard(std::int32_t index) = 0;                            // 15
  virtual HRESULT __stdcall ExportCards(BSTR path, std::int32_t format) = 0;               // 16
  virtual HRESULT __stdcall ImportCards(BSTR path) = 0;                                    // 17
  virtual HRESULT __stdcall GetOption(BSTR name, BSTR* value) = 0;                         // 18
  virtual HRESULT __stdcall SetOption(BSTR name, BSTR value) = 0;                          // 19
  virtual HRESULT __stdcall ShowOptions() = 0;                                             // 20
  virtual HRESULT __stdcall ShowAbout() = 0;                                               // 21
  virtual HRESULT __stdcall ShowScanSettings(std::int32_t kind, std::int32_t* shown) = 0;  // 22
  virtual HRESULT __stdcall ScanFile(BSTR path, std::int32_t kind) = 0;                    // 23
  virtual HRESULT __stdcall ScanCards(std::int32_t kind, std::int32_t* busy) = 0;          // 24
};

}  // namespace Quillora
