#pragma once
// A game's 8-bit code page (Windows numbering, single- or double-byte) and
// the visible tokens that carry what a translation tool cannot: texts go
// out as UTF-8, in which
//
//  - a control byte other than line feed and tab (0x00 to 0x1F, 0x7F), and
//    a byte that begins no character of the code page, is "{0xHH}" (two
//    upper-case hexadecimal digits);
//  - a "{" that would read as such a token is "{0x7B}",
//
// and come back to the same bytes. The tables are built once from the
// system's own (core/CodePages.h) by decoding every byte and byte pair, so
// that both systems convert by one set of rules; characters that the
// system decodes to a control character are left out of them.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pw::texts {

inline constexpr const char* DefaultCodePage = "windows-1252";

class CodePage {
public:
    // "windows-1252", "cp1252", "1252", and for the double-byte pages also
    // "shift_jis", "gbk", "uhc", "big5". "Unknown code page NAME".
    explicit CodePage(const std::string& name);

    // "windows-1252"
    const std::string& Name() const { return name_; }

    // The game's bytes as UTF-8 with tokens.
    std::string Decode(std::string_view bytes) const;
    // UTF-8 with tokens (valid UTF-8) as the game's bytes. A character the
    // code page cannot hold is left out and added to `missing` (each once,
    // in order of appearance).
    std::string Encode(std::string_view utf8, std::vector<char32_t>& missing) const;

private:
    std::string name_;
    std::array<char32_t, 256> single_{}; // 0: no character
    std::array<bool, 256> lead_{};
    std::vector<char32_t> pairs_;        // lead * 256 + trail; empty for a single-byte page
    std::unordered_map<char32_t, uint16_t> bytesOf_; // a character's bytes: < 256 one byte, else lead << 8 | trail
};

// A code page the game's texts can be in, and the script it is for.
struct CodePageChoice {
    const char* name;   // "windows-1251"
    const char* script; // "Cyrillic"
};
// Every code page CodePage takes, in the order a list shows them.
const std::vector<CodePageChoice>& SupportedCodePages();

// "U+00E9"
std::string CodePointName(char32_t c);

// Appends the UTF-8 form of c.
void AppendUtf8(std::string& out, char32_t c);
// Whether s is valid UTF-8 (no surrogates, no overlong forms).
bool ValidUtf8(std::string_view s);

} // namespace pw::texts
