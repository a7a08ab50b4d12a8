// The scanner package's colour-scan library ("ovrapixlw.dll"), loaded at the
// first scan, once dotwainscan::ColourScanLibraryReady has found it. Both
// exports use the stdcall convention and are exported under their undecorated
// names.
#pragma once

extern "C" {

// The language of the library's own windows, in the companion application's
// numbering.
int __stdcall setui_colorscan(int language);

// Scans the card in the scanner into `path`, in the format that the path's
// extension names; returns when the file is written. 0 on success.
int __stdcall color_scanW(const wchar_t* source, int colour, int resolution, int left, int top,
                          int contrast, int autoCrop, int rotation, const wchar_t* path,
                          int quality);

}  // extern "C"
