#pragma once
// Valid (and a few typically broken) inputs of every reader, in the form its
// harness takes: the seeds of the fuzz targets and the starting points of
// the corruption and truncation tests. Made here, never copied from
// elsewhere.
#include <string>
#include <vector>

namespace pwfuzz {

std::vector<std::string> PackSeeds();   // RunPackInput form
std::vector<std::string> LogSeeds();    // logs for RunLogInput
std::vector<std::string> ListSeeds();   // project lists
std::vector<std::string> IniSeeds();    // flags byte + INI-layout file
std::vector<std::string> ZivoraSeeds(); // flags byte + marker-layout file
std::vector<std::string> TargaSeeds();  // Targa files
std::vector<std::string> PatchSeeds();  // patches made by the patch writer
std::vector<std::string> PoSeeds();     // translations

} // namespace pwfuzz
