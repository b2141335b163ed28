// The code pages through iconv, which glibc carries for every Windows code
// page ("CP1252", "CP932" and so on).
#include "core/CodePages.h"

#include <cerrno>
#include <iconv.h>
#include <string>

#include "core/Error.h"

namespace pw {

struct CodePageDecoder::State {
    iconv_t cd = iconv_t(-1);
};

CodePageDecoder::CodePageDecoder(unsigned codePage) : state_(std::make_unique<State>()) {
    state_->cd = iconv_open("UTF-32LE", ("CP" + std::to_string(codePage)).c_str());
    if (state_->cd == iconv_t(-1)) throw Error("Unknown code page windows-" + std::to_string(codePage));
}

CodePageDecoder::~CodePageDecoder() { iconv_close(state_->cd); }

bool CodePageDecoder::Decode(const unsigned char* bytes, size_t size, char32_t& character) const {
    iconv(state_->cd, nullptr, nullptr, nullptr, nullptr);
    unsigned char out[8] = {};
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
    char* to = reinterpret_cast<char*>(out);
    size_t inLeft = size, outLeft = sizeof out;
    if (iconv(state_->cd, &in, &inLeft, &to, &outLeft) == size_t(-1) || inLeft != 0) return false;
    // A state-keeping code page may hold a character back until the end.
    if (iconv(state_->cd, nullptr, nullptr, &to, &outLeft) == size_t(-1)) return false;
    if (sizeof out - outLeft != 4) return false;
    character = char32_t(out[0] | out[1] << 8 | out[2] << 16 | uint32_t(out[3]) << 24);
    return true;
}

} // namespace pw
