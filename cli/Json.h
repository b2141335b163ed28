#pragma once
// JSON documents for scripts, printed on stdout. Keys keep the order in
// which they were set.
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace pw::cli {

using Json = nlohmann::ordered_json;

// The document with two-space indentation and a final line end. Names from
// packs are the game's bytes, not always UTF-8: invalid sequences are
// replaced rather than refused.
inline void PrintJson(const Json& document) {
    std::string text = document.dump(2, ' ', false, Json::error_handler_t::replace);
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
}

} // namespace pw::cli
