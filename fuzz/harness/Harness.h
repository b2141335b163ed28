#pragma once
// One function per reader: each takes one input, runs it in the private
// folder `ws` and checks what the engine promises, not only that nothing
// crashes. A pw::Error is a proper answer to a bad input; a broken promise
// throws InvariantViolation. The fuzz targets and the bad-input tests call
// the same functions.
#include <string>
#include <string_view>

namespace pwfuzz {

// Flags byte, index length (2 bytes LE), index, data file: extracts the pack
// into a fresh folder, checks every output, then rebuilds from the result
// log (some extracted files deleted or grown, as the flags say) and checks
// the new pack.
void RunPackInput(const std::string& ws, std::string_view input);

// A log, inserted against small generated packs in `ws`.
void RunLogInput(const std::string& ws, std::string_view input);

// A project list: read, written back and read again, and its logs inserted.
void RunListInput(const std::string& ws, std::string_view input);

// The text container: the INI layout preloaded and read, the marker layout
// loaded, read, moved in and rewritten (first byte: property flags).
void RunIniInput(const std::string& ws, std::string_view input);
void RunZivoraInput(const std::string& ws, std::string_view input);

// A patch (".pwpatch") read, its data inflated, and applied to a small
// generated game pack.
void RunPatchInput(const std::string& ws, std::string_view input);

// A translation (PO file) read, written and read back, its strings
// converted and checked as an import does, and updated against itself.
void RunPoInput(const std::string& ws, std::string_view input);

// A Targa image loaded, saved and loaded again.
void RunTargaInput(const std::string& ws, std::string_view input);

} // namespace pwfuzz
