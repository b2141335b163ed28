#pragma once
// Helpers shared by the fuzz targets and the bad-input tests: a private
// temporary folder, whole-file access, a walk over a folder tree, and the
// exception that reports a broken promise (as opposed to a pw::Error, which
// is a proper outcome for a bad input).
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pwfuzz {

struct InvariantViolation : std::logic_error {
    using std::logic_error::logic_error;
};

[[noreturn]] void Violation(const std::string& what);
inline void Expect(bool ok, const std::string& what) {
    if (!ok) Violation(what);
}

// A fresh folder under $TMPDIR (or /tmp), removed with its contents by the
// destructor.
class PrivateDir {
public:
    explicit PrivateDir(const char* prefix = "pwfuzz");
    ~PrivateDir();
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Removes `path` with everything below it, then makes it an empty folder.
void ResetDir(const std::string& path);
void RemoveTree(const std::string& path);

std::string ReadBytes(const std::string& path);   // "" when missing
bool FileExists(const std::string& path);          // lstat: anything, dangling links too
void WriteBytes(const std::string& path, std::string_view bytes);

// Every entry below `root`, as paths relative to it, folders with a final
// "/"; symbolic links are listed, not followed.
std::vector<std::string> ListTree(const std::string& root);

// Whether the real location of `path` lies inside the real folder `root`.
bool LiesUnder(const std::string& path, const std::string& root);

// Restores the current directory when it goes out of scope (runs change it).
class KeepCwd {
public:
    KeepCwd();
    ~KeepCwd();
    KeepCwd(const KeepCwd&) = delete;
    KeepCwd& operator=(const KeepCwd&) = delete;

private:
    std::string cwd_;
};

// Whether `rel` names one of the engine's temporary files: hidden,
// ".NAME.packwright-<pid>-<n>.tmp", or a pack's commit journal or staged
// files (".NAME.packwright-commit", ".NAME.packwright-new.fat"); an entry
// of type TMP is no such file.
bool IsEngineTemp(const std::string& rel);

// Whether an error text is one of the engine's messages (texts with a path
// are matched on their fixed part).
bool IsEngineMessage(const std::string& text);

} // namespace pwfuzz
