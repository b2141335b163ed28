#pragma once
// The walk over a log's lines. "#Format:" lines set the format in force,
// "#Source:" lines name a pack whose entry lines follow directly, "#Target"
// lines are known and ignored; every other line has no effect of its own.
// Insertion, the change plan and the verification against a log all read a
// log through this one walk, so they never disagree about what it says.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pw {

class LogWalk {
public:
    // OnSource's answer that ends the walk at once.
    static constexpr size_t End = SIZE_MAX;

    virtual ~LogWalk() = default;
    // Before line i of count is examined; false ends the walk.
    virtual bool BeforeLine(size_t i, size_t count) {
        (void)i;
        (void)count;
        return true;
    }
    // A "#Source:" line (line i) with its path, the whole value, blanks
    // included, under the format in force. Returns the line the walk goes
    // on with: i + 1, the line after the pack's entry lines, or End.
    virtual size_t OnSource(const std::string& path, size_t i, uint8_t format) = 0;
    // After every examined line (not after End).
    virtual void AfterLine() {}
};

// Walks `lines` from the first. Each header line is replaced by its value
// (the header word and one separating character removed), as insertion
// leaves it. `format` starts at "no format" and follows the "#Format:"
// lines; `plainLine` tells whether the current line is a plain one. Returns
// false when the walk was ended early.
bool WalkLog(std::vector<std::string>& lines, LogWalk& walk, uint8_t& format, uint8_t& plainLine);

// The format code of a "#Format:" value: "FAT" gives 1, anything else 4.
uint8_t FormatCode(const std::string& value);

} // namespace pw
