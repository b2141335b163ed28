#pragma once
// Windows test helpers: other processes (a program run to its end with its
// output caught, and a process that holds a file without sharing), file
// attributes, and where the suite's programs are.
#include <string>
#include <vector>

namespace pwtest {

// The folder of the running test program, without a final "\".
std::string ProgramFolder();

struct RunResult {
    int Exit = -1;
    std::string Out, Err;
};
// Runs `exe` with `args` (quoted as Windows programs expect) and waits.
RunResult RunProgram(const std::string& exe, const std::vector<std::string>& args);

// Another process that holds `path` open for reading and writing with share
// mode 0 as long as this object lives.
class OtherHolder {
public:
    explicit OtherHolder(const std::string& path);
    ~OtherHolder();
    OtherHolder(const OtherHolder&) = delete;
    OtherHolder& operator=(const OtherHolder&) = delete;
    bool Holding() const { return holding_; }

private:
    void* process_ = nullptr;
    void* input_ = nullptr;
    bool holding_ = false;
};

// Adds FILE_ATTRIBUTE_* bits to a file or folder.
void AddAttributes(const std::string& path, unsigned long attributes);

} // namespace pwtest
