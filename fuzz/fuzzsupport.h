// What the fuzz targets share: a scratch folder of their own, the input cut
// into lines, and a check that stops the run with a message when an
// invariant is broken (libFuzzer then keeps the input that did it).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// A folder for the files one target writes, made once per process in
// /dev/shm (memory) when there is one, else in TMPDIR or /tmp, and removed
// when the process exits normally. Its files are left for the next input to
// replace.
const std::string& fuzzScratchFolder();

// The input as lines (split at "\n", the line feed not kept).
std::vector<std::string_view> fuzzLines(const uint8_t* data, size_t size);

// Stops the run: the input broke an invariant.
[[noreturn]] inline void fuzzFail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzzFail(#condition, detail);                                                          \
    } while (0)
