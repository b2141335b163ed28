#pragma once
// Line files: project lists, logs and result logs. Lines end at a carriage
// return, a line feed or the pair of both; a final line without an ending
// counts; a zero byte ends the text. Written with CR LF after every line.
#include <string>
#include <string_view>
#include <vector>

#include "core/FileIO.h"

namespace pw {

std::vector<std::string> SplitLines(std::string_view text);

// "Cannot open file %s" when it cannot be read. A named pipe is read only
// where `pipes` allows it.
std::vector<std::string> LoadLines(const std::string& path, Pipes pipes = Pipes::Refuse);

// Every line followed by CR LF. The file appears complete under its name or
// not at all, even after a crash; an earlier file stays until then, and
// temporary files that crashed runs left in the folder are removed first.
// `sync`: the file and its name are on disk when it returns.
// "Cannot create file %s", "Stream write error".
void SaveLines(const std::string& path, const std::vector<std::string>& lines, bool sync = false);
// The same for a ready text.
void SaveText(const std::string& path, std::string_view text, bool sync = false);

} // namespace pw
