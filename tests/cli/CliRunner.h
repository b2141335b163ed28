#pragma once
// Runs the built packwright-cli as a child process, its output caught in
// files of a temporary folder.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "packs/PackFixtures.h"

extern char** environ;

namespace pwtest {

struct CliResult {
    int Exit = -1; // the exit status, or 128 + the signal that ended it
    std::string Out, Err;
};

class CliProcess {
public:
    // Starts packwright-cli with `args` in the folder `cwd` (or here).
    CliProcess(const std::vector<std::string>& args, const std::string& cwd = "") {
        outPath_ = files_ / "stdout";
        errPath_ = files_ / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
        std::vector<std::string> all{CLI_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, CLI_PATH, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliProcess() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    pid_t Pid() const { return pid_; }
    // Whether it has ended (without waiting for it).
    bool Ended() {
        if (waited_) return true;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
        Record(status);
        return true;
    }
    CliResult Wait() {
        if (!waited_) {
            int status = 0;
            ::waitpid(pid_, &status, 0);
            Record(status);
        }
        result_.Out = ReadFile(outPath_);
        result_.Err = ReadFile(errPath_);
        return result_;
    }

private:
    void Record(int status) {
        waited_ = true;
        result_.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    TempDir files_;
    std::string outPath_, errPath_;
    pid_t pid_ = -1;
    bool waited_ = false;
    CliResult result_;
};

inline CliResult RunCli(const std::vector<std::string>& args, const std::string& cwd = "") {
    return CliProcess(args, cwd).Wait();
}

} // namespace pwtest
