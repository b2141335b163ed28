#pragma once
// The body of every fuzz target: one private folder per process, removed at
// exit; a broken promise or an unexpected exception aborts, which libFuzzer
// reports as a finding and keeps the input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>

#include "core/Error.h"
#include "harness/Harness.h"
#include "harness/Support.h"

#define PWFUZZ_TARGET(RunFunction)                                                              \
    static std::unique_ptr<pwfuzz::PrivateDir> pwfuzzDir;                                     \
    extern "C" int LLVMFuzzerInitialize(int*, char***) {                                       \
        pwfuzzDir = std::make_unique<pwfuzz::PrivateDir>("pwfuzz");                            \
        std::atexit([] { pwfuzzDir.reset(); });                                                 \
        return 0;                                                                              \
    }                                                                                          \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                  \
        try {                                                                                  \
            RunFunction(pwfuzzDir->Path(), std::string_view(reinterpret_cast<const char*>(data), size)); \
        } catch (const pwfuzz::InvariantViolation& v) {                                        \
            std::fprintf(stderr, "INVARIANT BROKEN: %s\n", v.what());                          \
            std::abort();                                                                      \
        } catch (const pw::Error& e) {                                                         \
            std::fprintf(stderr, "ERROR ESCAPED THE HARNESS: %s\n", e.what());                 \
            std::abort();                                                                      \
        }                                                                                      \
        return 0;                                                                              \
    }
