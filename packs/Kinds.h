#pragma once
// Input kinds and format names, by the file-type position of the input
// dialog (1 "Data Packs (*.fat)", 2 "Project list files (*.lst)",
// 3 "Log files (*.log)", 4 "Patches (*.pwpatch)"), or by the directory
// dialog's zero-based index. Patches are applied as a whole list by the
// window (packs/patch/PatchApply.h), not entry by entry as the others.
#include <array>
#include <cstdint>
#include <string_view>

namespace pw {

enum InputKinds : uint8_t { KindNone = 0, KindPacks = 1, KindLogs = 2, KindProjectLists = 3, KindPatches = 4 };

inline constexpr std::array<uint8_t, 4> KindByFileType = {1, 3, 2, 4};
inline constexpr std::array<std::string_view, 4> FormatNames = {"FAT", "", "", ""};

inline constexpr uint8_t FormatFat = 1;
inline constexpr uint8_t FormatNone = 4;

// The input dialog's file types; the directory dialog reads the same text.
inline constexpr std::string_view InputFilter =
    "Data Packs (*.fat)|*.fat|Project list files (*.lst)|*.lst|Log files (*.log)|*.log|"
    "Patches (*.pwpatch)|*.pwpatch";

} // namespace pw
