// Helpers shared by the files of the utility library; nothing here is exported.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace host {

// Replacement for any byte sequence that is not well-formed UTF-8 or any code point that cannot be
// encoded (surrogates, values above U+10FFFF).
constexpr wchar_t Replacement_Char = 0xFFFD;

// Decodes one UTF-8 character starting at `text` (at most `avail` bytes). Stores the code point
// (U+FFFD for an ill-formed sequence) and returns the bytes consumed (>= 1); an ill-formed
// sequence consumes its maximal valid prefix, so one U+FFFD replaces each broken subpart.
size_t Utf8_Decode(const unsigned char* text, size_t avail, wchar_t* code);

// Encodes one code point into `out` (room for 4 bytes); returns the bytes written. Code points
// that UTF-8 cannot carry are written as U+FFFD.
size_t Utf8_Encode(wchar_t code, char* out);

// Length of the well-formed UTF-8 sequence whose lead byte is `lead`, 1 for anything else.
size_t Utf8_Sequence_Length(unsigned char lead);

// Appends the UTF-8 form of a wide text to `out`.
void Utf8_From_Wide(const wchar_t* text, std::string& out);

// Outcome of the formatter that the public wrappers and Error_Fct interpret differently: the
// wrappers refuse a truncated result, Error_Fct delivers it.
enum class Format_Status { Ok, Truncated, Malformed };

// Formats into `out` (capacity >= 1 characters, terminator included). On Truncated, `out` holds
// as much of the result as fits; on Malformed, its content is unspecified but terminated.
Format_Status Format_Into(wchar_t* out, size_t capacity, const wchar_t* format, va_list args, size_t* length);
Format_Status Format_Into(char* out, size_t capacity, const char* format, va_list args, size_t* length);

}  // namespace host
