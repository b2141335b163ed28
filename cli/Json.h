#pragma once
// JSON documents for scripts, printed on stdout.
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace pw::cli {

// The document with two-space indentation and a final line end. Names from
// packs are the game's bytes, not always UTF-8: invalid sequences are
// replaced rather than refused.
inline void PrintJson(const nlohmann::json& document) {
    std::string text = document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
}

} // namespace pw::cli
