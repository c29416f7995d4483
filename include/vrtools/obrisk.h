// obrisk: the host utility library the widgets report through, convert text with and read pictures with.
#pragma once

#include <cstdarg>
#include <cstddef>

#ifndef VRTOOLS_HWND_DEFINED
#define VRTOOLS_HWND_DEFINED
// A host window. The widgets never look inside it: any non-null value is a valid window.
typedef struct HWND__* HWND;
#endif
#ifndef VRTOOLS_HDC_DEFINED
#define VRTOOLS_HDC_DEFINED
// A drawing context of a window, handed out by Y_GetDC.
typedef struct HDC__* HDC;
#endif

#if defined(OBRISK_BUILDING)
#define OBRISK_API __attribute__((visibility("default")))
#else
#define OBRISK_API
#endif

// ---------------------------------------------------------------------------------------------
// Globals a host assigns.
// ---------------------------------------------------------------------------------------------

// Window that every message is addressed to; read at each report.
extern OBRISK_API HWND hwnd;
// Installation folder, ending in '/'. Defaults to the folder of the running program.
extern OBRISK_API wchar_t* W_Inst_Path;

// ---------------------------------------------------------------------------------------------
// Messages.
// ---------------------------------------------------------------------------------------------

// Receives every message, fully formatted, as one wide string.
typedef void (*Error_Handler)(HWND window, unsigned int code, const wchar_t* text);

// Replaces the message handler and returns the previous one; null restores the default handler,
// which writes "code text" to stderr as UTF-8, showing the control characters U+00F1, U+0004,
// U+0009 and U+0002 as <F1>, <04>, <09> and <02>.
OBRISK_API Error_Handler Error_Handler_Set(Error_Handler handler);

// The codes a message comes with; a handler tells them apart by these names.
enum : unsigned int {
    VR_REPORT_WARNING = 0x80000001u,  // misuse, lint warnings and OpenGL errors
    VR_REPORT_ALLOCATION = 1u,        // memory ran out
    VR_REPORT_CAPTION = 2u,           // a caption could not be rasterised
};

// Formats one message printf-style and hands it to the handler. Windows-style conversions:
// %hs is a narrow (UTF-8) string and %ls a wide string in both forms; a plain %s is narrow in the
// narrow form and wide in the wide form. A format that cannot be formatted is delivered as it
// stands, with its code (VR_REPORT_*). Always returns 1.
OBRISK_API int Error_Fct(HWND window, unsigned int code, const char* format, ...);
OBRISK_API int Error_Fct(HWND window, unsigned int code, const wchar_t* format, ...);

// Name of an OpenGL error code ("GL_INVALID_ENUM", ...); holds no conversion, never released.
OBRISK_API const char* Error_OpenGL(int error);

// ---------------------------------------------------------------------------------------------
// Text.
// ---------------------------------------------------------------------------------------------

// Wide form of a UTF-8 text (invalid bytes become U+FFFD), or null for a null text. The result
// lives in a buffer of the library that stays valid until the next call; never release it.
OBRISK_API wchar_t* Char_2_Wchar(const char* text);

// Splits a file path: name (without folder and extension) goes to `name` (80 bytes, cut to fit).
// `folder` and `extension`, when not null, receive the folder (ending in '/') and the extension
// (with its dot); each buffer is taken to hold 260 bytes.
OBRISK_API void Get_Generic_Name(const char* path, char* folder, char* name, char* extension);

namespace host {
// printf-style formatting with the Windows conversions described at Error_Fct, into `out` of
// `capacity` characters (terminator included). Returns the length written, or -1 when the format
// is malformed or the result does not fit (then `out` holds an empty string).
OBRISK_API int Format_Wide(wchar_t* out, size_t capacity, const wchar_t* format, va_list args);
OBRISK_API int Format_Narrow(char* out, size_t capacity, const char* format, va_list args);
// Holds the messages the calling thread reports from now on: they reach the handler, in their
// order, when the last hold ends. A library whose caller may destroy its objects from the handler
// holds them while it walks those objects. Holds nest; a release without a hold does nothing. A
// handler that throws out of a release ends it: the messages held after that one are dropped.
OBRISK_API void Messages_Hold();
OBRISK_API void Messages_Release();
}  // namespace host

// ---------------------------------------------------------------------------------------------
// Drawing contexts and colours.
// ---------------------------------------------------------------------------------------------

// Context of a window for text measuring; null for a null window. `caller` names the user in
// reports. Give it back with Y_ReleaseDC.
OBRISK_API HDC Y_GetDC(HWND window, const char* caller);
OBRISK_API void Y_ReleaseDC(HWND window, HDC dc);

// Standard HLS <-> RGB; every value is a fraction 0..1 (hue 1 is a full turn).
OBRISK_API void HLS_to_RGB(float h, float l, float s, float* r, float* g, float* b);
OBRISK_API void RGB_to_HLS(float r, float g, float b, float* h, float* l, float* s);

// ---------------------------------------------------------------------------------------------
// Pictures.
// ---------------------------------------------------------------------------------------------

// A picture as the readers deliver it: 4 bytes per pixel in the order blue, green, red, alpha,
// first row at the top.
struct IGB_data {
    unsigned char* Data;
    short Width;
    short Height;
};

// Read a picture file named by a wide path into `image`. TGA_Read_Image reads TGA files only;
// IGB_Read_Image reads PNG, JPEG, TGA, BMP (uncompressed) and binary or plain PGM/PPM, told apart by
// their content. `spare` is unused (pass null). Sides are checked before decoding: at most
// GL_MAX_TEXTURE_SIZE when the caller has a GL context current (else 16384) and 4096 x 4096 pixels
// in all. Non-zero on success; 0 for a missing, unreadable, damaged, incomplete or over-large file,
// with `image` untouched and the reason reported through Error_Fct (VR_REPORT_WARNING,
// "Picture: <path>: <reason>").
OBRISK_API int TGA_Read_Image(const wchar_t* path, IGB_data* image, IGB_data* spare);
OBRISK_API int IGB_Read_Image(const wchar_t* path, IGB_data* image, IGB_data* spare);
// Releases what a successful read filled and zeroes the record.
OBRISK_API void IGB_Free(IGB_data* image);
