// UTF-16 text as the host exchanges it, portable to both presets.
#pragma once
#include <cstdarg>
#include <string>
#include <string_view>

namespace vd {

// The host's wide strings are UTF-16 on every platform; wchar_t is only 16 bits
// on Windows, so portable code uses char16_t and converts at Win32 calls.
using vchar = char16_t;
using vstring = std::u16string;
using vstring_view = std::u16string_view;

// Bytes that are not well-formed UTF-8 read as U+FFFD, and a surrogate
// without its partner writes as U+FFFD, as Windows converts them. The host
// scripts and transcripts of the test host must carry any UTF-16 text the
// module takes or leaves, lone surrogates too: with Surrogates::Keep a
// surrogate's three-byte form reads as that code unit, and a lone surrogate
// writes as it (the form known as WTF-8).
enum class Surrogates { Replace, Keep };
vstring utf8ToUtf16(std::string_view utf8, Surrogates lone = Surrogates::Replace);
std::string utf16ToUtf8(vstring_view utf16, Surrogates lone = Surrogates::Replace);

// Code page 1250 is what the host's 8-bit ("A") exports and GDI fonts use.
std::string utf16ToCp1250(vstring_view text);
vstring cp1250ToUtf16(std::string_view text);
// True when code page 1250 has a place for every character of `text` (a
// lone surrogate has none); utf16ToCp1250 writes "?" for the others.
bool fitsCp1250(vstring_view text);

// printf-style formatting into UTF-16. Conversions are those of the C library,
// but a floating-point one writes '.' as its decimal point whatever locale the
// host gave the shared C library; %s takes a UTF-16 string (const vchar*), as
// the module's format texts expect.
vstring vformat(const vchar* fmt, ...);
vstring vformatV(const vchar* fmt, va_list args);

// Bounded copy into a host-style buffer: always terminated, returns the length written.
int copyToBuffer(vstring_view text, vchar* buffer, int capacity);

// Case-insensitive comparison of ASCII letters, as group 0 type names are compared.
bool equalsNoCaseAscii(vstring_view a, vstring_view b);
bool equalsNoCaseAscii(std::string_view a, std::string_view b);

// Case-insensitive comparison of the Latin letters a user types: ASCII,
// Latin-1 and Latin Extended-A, which hold every Czech letter ("ČERVENÁ"
// equals "červená"). Other characters compare as they are.
bool equalsNoCaseLatin(vstring_view a, vstring_view b);
// The same letters in upper case ("označení" gives "OZNAČENÍ").
vstring upperCaseLatin(vstring_view text);

size_t vlength(const vchar* text);

}  // namespace vd
