#pragma once
// The invariant check of the fuzz targets: a broken invariant prints what was
// expected and where, then aborts, so that libFuzzer keeps the input as a
// finding (and a replay program ends with a failure).

#include <cstdio>
#include <cstdlib>

namespace hk::fuzz {

[[noreturn]] inline void InvariantBroken(const char* what, const char* condition, const char* file,
                                         int line) {
    std::fprintf(stderr, "\ninvariant broken: %s\n  (%s)\n  at %s:%d\n", what, condition, file,
                 line);
    std::abort();
}

}  // namespace hk::fuzz

#define FUZZ_REQUIRE(condition, what)                                                      \
    do {                                                                                   \
        if (!(condition)) hk::fuzz::InvariantBroken(what, #condition, __FILE__, __LINE__); \
    } while (false)
