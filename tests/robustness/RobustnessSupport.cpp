#include "RobustnessSupport.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "core/Error.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"

namespace pwtest {

ChildOutcome RunInChild(const std::function<void()>& setup, const std::function<void()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return {false, "pipe failed"};
    pid_t pid = ::fork();
    if (pid < 0) return {false, "fork failed"};
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(60); // a watchdog against a hang, not a measure of speed
        std::string text = "\x01";
        try {
            setup();
            body();
            text = "";
        } catch (const pw::Error& e) {
            text = e.what();
        } catch (const std::exception& e) {
            text = std::string("\x01unexpected exception: ") + e.what();
        }
        ssize_t ignored = ::write(fds[1], text.data(), text.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        text.append(buf, size_t(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return {false, WTERMSIG(status) == SIGALRM ? "hung" : "killed by signal " + std::to_string(WTERMSIG(status))};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {false, "exited with " + std::to_string(status)};
    if (!text.empty() && text[0] == '\x01') return {false, text.substr(1)};
    return {true, text};
}

std::string ErrorOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const pw::Error& e) {
        return e.what();
    }
    return "";
}

pwfuzz::SamplePack WriteSamplePack(const std::string& dir) {
    using pwfuzz::Pattern;
    pwfuzz::SamplePack p = pwfuzz::MakePack({{"a.txt", Pattern(5, 1)},
                                             {"b.txt", ""},
                                             {"c.dat", Pattern(2048, 2), 1},
                                             {"d.dat", Pattern(3000, 3)},
                                             {"e.tga", Pattern(1, 4)}},
                                            0xABCD, "tail!");
    pwfuzz::ResetDir(dir);
    pwfuzz::WriteBytes(dir + "/MENU.fat", p.fat);
    pwfuzz::WriteBytes(dir + "/MENU.mix", p.mix);
    return p;
}

std::vector<std::string> SampleEntryData(const pwfuzz::SamplePack& pack) {
    std::vector<std::string> data;
    const auto entries = pwfuzz::ParseIndex(pack.fat);
    for (const pwfuzz::ModelEntry& e : *entries) data.push_back(*pwfuzz::EntryData(e, pack.mix));
    return data;
}

void Extract(const std::string& pack, const std::string& target) {
    pwfuzz::KeepCwd keep;
    pw::PlainStatus status;
    pw::RunContext ctx(status);
    pw::RunList(ctx, {pack}, pw::KindPacks, "FAT", target);
}

void Insert(const std::string& log, const std::string& target) {
    pwfuzz::KeepCwd keep;
    pw::PlainStatus status;
    pw::RunContext ctx(status);
    pw::RunList(ctx, {log}, pw::KindLogs, "", target);
}

std::vector<std::string> TempFilesUnder(const std::string& root) {
    std::vector<std::string> found;
    for (const std::string& rel : pwfuzz::ListTree(root))
        if (pwfuzz::IsEngineTemp(rel)) found.push_back(rel);
    return found;
}

bool IsRoot() { return ::geteuid() == 0; }

} // namespace pwtest
