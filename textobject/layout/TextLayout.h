#pragma once
// The two layouts of numbered texts, as the text container TTextObject
// reads and writes them, on whole files in memory (plain C++, no Qt):
//
//  - INI style: blocks "[0x" + eight upper-case hexadecimal digits + "]"
//    CR LF, the text with every line feed stored as CR LF, then CR LF.
//    Every "[0x" in the file is taken for a header; the numbers must run
//    from 0 without a gap; a text is cut from the first occurrence of its
//    own exact header to the first occurrence of the next number's exact
//    header after it; everything stops at the first zero byte.
//  - Zivora style: lines (ended by CR LF, LF or CR) in blocks of a
//    separator line of 31 underscores, a header line, the text lines and
//    the end line "#E#N#D#".
//
// Texts are given back as the container gives them with LinuxFormat set:
// line breaks as a line feed alone.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::layout {

inline constexpr std::string_view Separator = "_______________________________"; // 31 underscores
inline constexpr std::string_view HeaderMarker = "#H#E#A#D#E#R#";
inline constexpr std::string_view EndMarker = "#E#N#D#";
inline constexpr std::string_view FirstIniHeader = "[0x00000000]";

enum class Style { Ini, Zivora };
const char* StyleName(Style style); // "INI-style", "Zivora-style"

// Lines of a Zivora-style text: ended by CR LF, LF or CR; a last line
// without an ending counts; a zero byte ends the text.
std::vector<std::string> SplitTextLines(std::string_view data);
// The same lines as places in `data`: [start, end) the line, `next` where
// the line after its line end begins.
struct LineSpan {
    size_t start = 0, end = 0, next = 0;
};
std::vector<LineSpan> TextLineSpans(std::string_view data);

// The style a file's content is in: an INI-style file begins with the
// header "[0x00000000]", a Zivora-style one with the separator line and a
// line beginning with the header marker. None for any other content.
std::optional<Style> StyleOf(std::string_view data);

// One block as read: its text, or none when the container answers "no
// text" for it (an INI-style header it cannot find).
struct Block {
    std::optional<std::string> text;
};

// The blocks of a file in `style`, in order (block k is number k). Empty
// optional when the container would not read the file: an INI-style file
// whose numbers have a gap, a Zivora-style block without its end line.
std::optional<std::vector<Block>> ReadBlocks(Style style, std::string_view data);

// One INI-style block as the container writes it: header, text up to its
// first zero byte with line feeds as CR LF, CR LF.
std::string IniBlock(uint32_t number, std::string_view text);

// A file in `style` holding `texts` as its blocks. For Zivora style the
// separator and header lines of `original`'s blocks are kept (new blocks
// get an indexed header), and a block whose text is unchanged keeps its
// lines as they were; lines end with CR LF.
std::string WriteBlocks(Style style, std::string_view original, const std::vector<std::string>& texts);

// `data` with the texts of the blocks named in `texts` (block -> text)
// replaced, and every other byte as it was: the INI-style text with its
// line feeds as CR LF; the Zivora-style text lines ended as the block's
// header line is. None when a block's place cannot be found.
std::optional<std::string> ReplaceTexts(Style style, std::string_view data, const std::map<size_t, std::string>& texts);

} // namespace pw::layout
