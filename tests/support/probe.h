// A record shared between a viewer process and the test that watches it.
//
// The preloaded probe library (probe_preload.cpp) fills it from inside the
// viewer: every buffer swap, and every message box with its caption and text.
// The test maps the same file and reads it while the viewer runs. The file is
// named by the environment variable PARABOLOID_PROBE_FILE.
#pragma once

#include <time.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

inline constexpr const char* kProbeFileVariable = "PARABOLOID_PROBE_FILE";
// When set (to anything), the probe also measures the width of the picture
// in the frames named below (reading pixels back slows those frames down).
inline constexpr const char* kProbeWidthsVariable = "PARABOLOID_PROBE_WIDTHS";
inline constexpr std::size_t kProbeWidthFrames = 720;  // one whole turn at the start

struct ProbeBox {
    char title[128];
    char text[256];
    std::int64_t shownNs;     // CLOCK_MONOTONIC when the box was asked for
    std::int64_t returnedNs;  // when the call returned; 0 while it is open
    std::uint64_t framesBefore;
};

struct ProbeBlock {
    std::atomic<std::uint64_t> frames;       // buffer swaps so far
    std::atomic<std::int64_t> firstFrameNs;  // CLOCK_MONOTONIC of the first swap, 0 before
    std::atomic<std::int64_t> lastFrameNs;   // CLOCK_MONOTONIC of the latest swap
    std::atomic<std::uint32_t> boxesShown;   // message boxes asked for so far
    std::atomic<std::uint32_t> boxesClosed;  // message box calls that returned
    ProbeBox boxes[4];                       // the first four boxes
    // Width in pixels of what differs from the background (the corner pixel),
    // read just before the swap: in the first kProbeWidthFrames frames, and in
    // the kProbeWidthFrames frames from frame measureFrom on, once the test
    // sets it (0: not yet).
    std::uint16_t firstWidths[kProbeWidthFrames];
    std::atomic<std::uint64_t> measureFrom;
    std::uint16_t laterWidths[kProbeWidthFrames];
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free);
static_assert(std::atomic<std::int64_t>::is_always_lock_free);

// Monotonic clock in nanoseconds, the clock every time stamp above uses.
inline std::int64_t ProbeNowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}
