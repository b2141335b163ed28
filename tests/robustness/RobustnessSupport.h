#pragma once
// Helpers of the bad-input suite: runs in a child process (with resource
// limits or another user), and a small pack with a log ready for a run.
#include <functional>
#include <string>
#include <vector>

#include "harness/PackModel.h"
#include "harness/Support.h"
#include "packs/StatusSink.h"

namespace pwtest {

// How a child ended: its engine error text ("" when the run was done), or
// a note that it crashed or hung.
struct ChildOutcome {
    bool finished = false; // returned normally (done or a pw::Error)
    std::string message;   // the error text, or why it did not finish
};

// Runs `body` in a forked child after `setup`. A pw::Error ends it with its
// message; anything else (a signal, another exception, no end within a
// generous watchdog of a minute) is reported as not finished.
ChildOutcome RunInChild(const std::function<void()>& setup, const std::function<void()>& body);

// The message of the pw::Error that `run` throws, or "" when it returns.
std::string ErrorOf(const std::function<void()>& run);

// A pack of several entries around the block size, written as
// `dir`/MENU.fat and MENU.mix.
pwfuzz::SamplePack WriteSamplePack(const std::string& dir);

// The entry data of that pack, in index order.
std::vector<std::string> SampleEntryData(const pwfuzz::SamplePack& pack);

// Extracts `dir`/MENU.fat into `target` (a fresh run, single-threaded
// unless asked). Throws pw::Error.
void Extract(const std::string& pack, const std::string& target);
// Inserts a log into `target`. Throws pw::Error.
void Insert(const std::string& log, const std::string& target);

// Every temporary file of the engine below `root`.
std::vector<std::string> TempFilesUnder(const std::string& root);

// A status that calls `hook` at the n-th ProcessEvents (counted from 1).
class HookStatus : public pw::PlainStatus {
public:
    HookStatus(int n, std::function<void()> hook) : n_(n), hook_(std::move(hook)) {}
    void ProcessEvents() override {
        if (++calls_ == n_) hook_();
    }

private:
    int n_, calls_ = 0;
    std::function<void()> hook_;
};

// Whether the test runs as root (permission bits do not stop it then).
bool IsRoot();

} // namespace pwtest
