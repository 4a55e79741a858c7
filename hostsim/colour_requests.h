// The host's colour requests: ColorExtFunctionW passed on to the module,
// SetColorDialogTrueColor answered from the script, and the transcript line
// of a script's `colorext` (docs/host-scripts.md, "Colours").
#pragma once
#include <cstdint>
#include <string>

#include "hostsim/host.h"

namespace hostsim {

// ColorExtFunctionW: the module's own ColorExtFunction through the host's
// window operations; not served (0) without one.
int passColourExt(Host& host, void* parent, int mode, std::uint32_t* colour, std::uint32_t* rgb, vchar* text,
                  int length);

// SetColorDialogTrueColor: the next answer of the script decides. A
// `truecolour R,G,B` line accepts that colour (1), `cancel` refuses (0), a
// `dialog` line is met by the host's true-colour dialog. A record that is
// null or not 32 bytes is refused.
int answerTrueColour(Host& host, void* record);

// Writes "host: true colour -> R,G,B", the choice of a true-colour dialog.
void logTrueColour(Host& host, std::uint32_t colour);

// "colorext -> RESULT colour=0x........ rgb=0x...... text=\"...\"": rgb=none
// when the module left the RGB output untouched (kRgbNotWritten).
constexpr std::uint32_t kRgbNotWritten = 0xFFFFFFFFu;
std::string colourExtLine(int result, std::uint32_t colour, std::uint32_t rgb, vd::vstring_view text);

// A text in double quotes, UTF-8, with \ " and control characters escaped
// (\\ \" \n \r \t, others as \xNN), as transcripts quote texts.
std::string quotedText(vd::vstring_view text);

}  // namespace hostsim
