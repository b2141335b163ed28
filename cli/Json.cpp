#include "cli/Json.h"

namespace pw::cli {

namespace {

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

} // namespace

std::string JsonText(const Json& value, int indent) {
    std::string text = value.dump(2, ' ', false, Json::error_handler_t::replace);
    if (indent == 0) return text;
    const std::string pad = "\n" + std::string(size_t(indent), ' ');
    std::string out;
    for (char c : text) {
        if (c == '\n') out += pad;
        else out += c;
    }
    return out;
}

void PrintJson(const Json& document) { Print(JsonText(document) + "\n"); }

JsonListPrinter::JsonListPrinter(const Json& head, const std::string& listName) {
    std::string text = "{\n";
    for (const auto& [key, value] : head.items()) text += "  " + JsonText(key) + ": " + JsonText(value, 2) + ",\n";
    Print(text + "  " + JsonText(listName) + ": [");
}

void JsonListPrinter::Add(const Json& item) {
    Print((empty_ ? "\n    " : ",\n    ") + JsonText(item, 4));
    empty_ = false;
}

void JsonListPrinter::Finish() { Print(empty_ ? "]\n}\n" : "\n  ]\n}\n"); }

} // namespace pw::cli
