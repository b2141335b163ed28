// The code pages through MultiByteToWideChar, which refuses invalid
// sequences with MB_ERR_INVALID_CHARS.
#include "core/CodePages.h"

#include <string>

#include "core/Error.h"
#include "core/windows/Wide.h"

namespace pw {

struct CodePageDecoder::State {
    unsigned codePage = 0;
};

CodePageDecoder::CodePageDecoder(unsigned codePage) : state_(std::make_unique<State>()) {
    CPINFO info;
    if (!IsValidCodePage(codePage) || !GetCPInfo(codePage, &info))
        throw Error("Unknown code page windows-" + std::to_string(codePage));
    state_->codePage = codePage;
}

CodePageDecoder::~CodePageDecoder() = default;

bool CodePageDecoder::Decode(const unsigned char* bytes, size_t size, char32_t& character) const {
    wchar_t out[4];
    const int n = MultiByteToWideChar(state_->codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                                      int(size), out, 4);
    if (n == 1 && (out[0] < 0xD800 || out[0] > 0xDFFF)) {
        character = char32_t(out[0]);
        return true;
    }
    if (n == 2 && out[0] >= 0xD800 && out[0] < 0xDC00 && out[1] >= 0xDC00 && out[1] <= 0xDFFF) {
        character = char32_t(0x10000 + ((out[0] - 0xD800) << 10) + (out[1] - 0xDC00));
        return true;
    }
    return false;
}

} // namespace pw
