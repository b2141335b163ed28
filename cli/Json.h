#pragma once
// JSON documents for scripts, printed on stdout. Keys keep the order in
// which they were set.
#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace pw::cli {

using Json = nlohmann::ordered_json;

// Two-space indentation, each line after the first indented by `indent`
// more. Names from packs are the game's bytes, not always UTF-8: invalid
// sequences are replaced rather than refused.
std::string JsonText(const Json& value, int indent = 0);

// The document and a final line end.
void PrintJson(const Json& document);

// An object whose last member is a list that may be long (an entry of a
// pack each), printed item by item so that memory stays bounded by one
// item. The text is the one PrintJson gives for the whole document.
class JsonListPrinter {
public:
    // Prints the members of `head` and opens the list `listName`.
    JsonListPrinter(const Json& head, const std::string& listName);
    void Add(const Json& item);
    // Closes the list and the object.
    void Finish();

private:
    bool empty_ = true;
};

} // namespace pw::cli
