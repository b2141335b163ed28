#pragma once
// What a translation must keep of its source, and what a layout cannot
// store.
#include <string>
#include <string_view>
#include <vector>

#include "textobject/layout/TextLayout.h"

namespace pw::texts {

// The printf-style placeholders of a text, in order: "%s", "%d", "%5.2f",
// "%1$s", "%%", "%-8ld" ... (flags "-+#0", width, precision, length
// modifiers; a "%" followed by anything else is no placeholder).
std::vector<std::string> Placeholders(std::string_view text);

// The tokens "{0xHH}" of a text, sorted (they may move within it).
std::vector<std::string> Tokens(std::string_view text);

// Why the bytes cannot be a block's text in `style`, or "" when they can: a
// zero byte; "[0x" in an INI-style block; a line "#E#N#D#", or a carriage
// return, in a Zivora-style block.
std::string LayoutProblem(layout::Style style, std::string_view bytes);

} // namespace pw::texts
