#include "core/Palette.h"

namespace pw {

namespace {
std::vector<PaletteEntry>& Entries() {
    static std::vector<PaletteEntry> entries;
    return entries;
}
} // namespace

void RegisterComponent(const std::string& page, const std::string& className) {
    for (const auto& e : Entries())
        if (e.page == page && e.className == className) return;
    Entries().push_back({page, className});
}

const std::vector<PaletteEntry>& RegisteredComponents() { return Entries(); }

} // namespace pw
