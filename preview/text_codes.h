#pragma once
// What the text of a drawing's text entities reads as: the special sequences
// of one-line texts (%%d, %%c, %%p, %%%, %%nnn and the %%u, %%o, %%k
// switches) and the inline codes of multi-line texts (paragraphs, grouping,
// height, colour, underline and the codes that only change the font), turned
// into characters and the formatting each character is drawn in.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace GDI {

// Formatting in effect at a character.
struct text_format {
  double height = 1.0;     // drawing units
  bool underline = false;
  bool overline = false;   // followed, not drawn: a GDI font has no overline
  bool strike_out = false;
  int colour_index = -1;   // a colour number given in the text; -1: the entity's
  std::int32_t true_colour = -1; // a true colour given in the text, as group 420 holds it; -1: none
  bool operator==(const text_format&) const = default;
};

// Characters in one format.
struct text_run {
  std::u16string text;
  text_format format;
};

// A paragraph of a multi-line text: its runs, and the format in effect where
// it begins (what an empty paragraph is drawn with).
struct text_paragraph {
  std::vector<text_run> runs;
  text_format start;
};

// The diameter sign %%c stands for.
inline constexpr char16_t kDiameterSign = u'\u2300';

// A one-line text (TEXT, ATTRIB): %%d degree sign, %%c diameter sign, %%p
// plus-minus sign, %%% a percent sign, %%nnn the character of number nnn (one
// to three digits), %%u, %%o and %%k switch underline, overline and
// strike-out. Letters after %% in either case; any other %% stays as it is.
// Runs in order, none empty.
std::vector<text_run> decode_text(std::u16string_view text, const text_format& base);

// A multi-line text (MTEXT, groups 3 and 1 joined): paragraphs in order.
// Honoured: \P, \N (column break), \X and ^J end a paragraph; \~ a space that
// does not break; \\, \{ and \} the character; { and } keep the formatting
// inside them; \H height (n; absolute, nx; relative), \C colour number, \c
// true colour (0x00BBGGRR), \L \l underline, \K \k strike-out, \O \o
// overline; \U+XXXX a character; \S a stacked fraction as top/bottom; ^I and
// tabs a space; the special characters of decode_text (not its switches).
// Stripped with their argument up to ';': \f \F (font), \A (alignment), \Q
// (slant), \W (width), \T (tracking), \p (paragraph layout); \M+ characters
// of a multi-byte code page. Any other \x stays as it is.
std::vector<text_paragraph> decode_mtext(std::u16string_view text, const text_format& base);

} // namespace GDI
