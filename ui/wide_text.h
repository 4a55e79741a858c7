// Texts between the module's UTF-16 strings (vd::vstring, char16_t) and the
// wchar_t strings of Win32, which are UTF-16 as well: converting only
// retypes the code units.
#pragma once
#include <string>
#include <string_view>

#include "host/text.h"

namespace ui {

inline std::wstring toWide(vd::vstring_view text) { return std::wstring(text.begin(), text.end()); }
inline vd::vstring fromWide(std::wstring_view text) { return vd::vstring(text.begin(), text.end()); }
// For transcripts and messages: a lone surrogate is shown as it is.
inline std::string wideToUtf8(std::wstring_view text) { return vd::utf16ToUtf8(fromWide(text), vd::Surrogates::Keep); }
inline std::wstring utf8ToWide(std::string_view text) { return toWide(vd::utf8ToUtf16(text, vd::Surrogates::Keep)); }

}  // namespace ui
