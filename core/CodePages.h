#pragma once
// The system's tables of the 8-bit (and double-byte) Windows code pages:
// one byte sequence decoded to one character at a time, from which the
// engine builds its own conversion tables (packs/texts/CodePage.h), so that
// Linux (iconv) and Windows (MultiByteToWideChar) convert by the same rules.
#include <cstddef>
#include <memory>

namespace pw {

class CodePageDecoder {
public:
    // "Unknown code page windows-N" when the system has no table for N.
    explicit CodePageDecoder(unsigned codePage);
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    // The one character that exactly the `size` bytes at `bytes` stand
    // for; false when they are no character, or more or less than one.
    bool Decode(const unsigned char* bytes, size_t size, char32_t& character) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace pw
