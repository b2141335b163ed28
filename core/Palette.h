#pragma once
// The form designer's component palette: each component unit has a
// Register function that puts its class on the page shared by the
// program's own components. The running program never calls them.
#include <string>
#include <vector>

namespace pw {

inline constexpr const char* PalettePage = "Packwright";

struct PaletteEntry {
    std::string page;
    std::string className;
};

// Adds a class to a palette page once; repeated calls change nothing.
void RegisterComponent(const std::string& page, const std::string& className);
const std::vector<PaletteEntry>& RegisteredComponents();

} // namespace pw
