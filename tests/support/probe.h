// A record shared between a program under test and the test that watches it.
//
// The preloaded probe library (probe_preload.cpp) fills it from inside the
// program: every buffer swap, and every message box with its text and
// kind. The test maps the same file, named by PARABOLOID_PROBE_FILE.
#pragma once

#include <time.h>

#include <atomic>
#include <cstdint>

inline constexpr const char* kProbeFileVariable = "PARABOLOID_PROBE_FILE";

struct ProbeBox {
    char text[256];
    std::uint32_t flags;      // SDL's: 0x10 for an error box
    std::int64_t returnedNs;  // CLOCK_MONOTONIC when the call returned; 0 while open
};

struct ProbeBlock {
    std::atomic<std::uint64_t> frames;       // buffer swaps so far
    std::atomic<std::int64_t> firstFrameNs;  // CLOCK_MONOTONIC of the first swap, 0 before
    std::atomic<std::uint32_t> boxesShown;   // message boxes asked for so far
    ProbeBox boxes[4];                       // the first four boxes
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

inline std::int64_t ProbeNowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}
