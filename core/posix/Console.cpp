#include "core/Console.h"

#include <signal.h>
#include <unistd.h>

namespace pw {

namespace {

std::atomic<bool>* stopFlag = nullptr;

extern "C" void OnInterrupt(int) {
    if (stopFlag) stopFlag->store(true);
}

} // namespace

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

void StopOnInterrupt(std::atomic<bool>& flag) {
    stopFlag = &flag;
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
}

bool InterruptRequested() { return stopFlag && stopFlag->load(); }

} // namespace pw
