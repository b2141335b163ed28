#include "harness/Support.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace pwfuzz {

void Violation(const std::string& what) { throw InvariantViolation(what); }

PrivateDir::PrivateDir(const char* prefix) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

PrivateDir::~PrivateDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; open them up first.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
    fs::remove_all(path_, ec);
}

void RemoveTree(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
}

void ResetDir(const std::string& path) {
    RemoveTree(path);
    std::error_code ec;
    fs::create_directories(path, ec);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        std::string rel = fs::relative(it->path(), root, ec).string();
        if (it->is_directory(ec) && !it->is_symlink(ec)) rel += '/';
        out.push_back(rel);
    }
    return out;
}

bool LiesUnder(const std::string& path, const std::string& root) {
    char real[PATH_MAX], realRoot[PATH_MAX];
    if (!::realpath(path.c_str(), real) || !::realpath(root.c_str(), realRoot)) return false;
    std::string p = real, r = realRoot;
    return p.size() > r.size() && p.compare(0, r.size(), r) == 0 && p[r.size()] == '/';
}

KeepCwd::KeepCwd() {
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf)) cwd_ = buf;
}

KeepCwd::~KeepCwd() {
    if (!cwd_.empty() && ::chdir(cwd_.c_str()) != 0) {
        // The folder may be gone; the root always exists.
        (void)::chdir("/");
    }
}

bool IsEngineTemp(const std::string& rel) {
    const size_t slash = rel.find_last_of('/', rel.size() > 1 ? rel.size() - 2 : 0);
    const std::string name = slash == std::string::npos ? rel : rel.substr(slash + 1);
    if (name.size() < 2 || name[0] != '.') return false;
    // A pending file's temporary name, a pack's commit journal or staged files.
    return (name.size() > 5 && name.compare(name.size() - 4, 4, ".tmp") == 0) ||
           name.find(".packwright-commit") != std::string::npos || name.find(".packwright-new.") != std::string::npos;
}

bool IsEngineMessage(const std::string& text) {
    static const char* const prefixes[] = {"Cannot open file ", "Cannot create file ", "Damaged pack index ",
                                           "List index out of bounds (", "File "};
    if (text == "Stream read error" || text == "Stream write error") return true;
    for (const char* p : prefixes)
        if (text.rfind(p, 0) == 0) {
            if (std::string_view(p) == "File ")
                return text.size() > 40 && text.find(" is too large for a pack entry") != std::string::npos;
            return true;
        }
    return false;
}

} // namespace pwfuzz
