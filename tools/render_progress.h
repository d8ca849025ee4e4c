// gyrata-render: how far a long run is, as one line on standard error that is rewritten in place.
// Only for a terminal, and only once a run has taken a second, so short runs, pipes and files see
// nothing of it.
#pragma once

#include <cstdint>
#include <string>

constexpr double kProgressDelaySeconds = 1.0;
constexpr double kProgressIntervalSeconds = 0.25;

struct RenderProgress {
    bool enabled = false;          // standard error is a terminal
    double lastShownSeconds = -1;  // seconds since the start; below 0 while nothing was shown
};

// Whether a new line is due `elapsed` seconds after the start.
bool ProgressDue(const RenderProgress& progress, double elapsed);

// "pass 500 of 1000 (50%), 2.0 s, about 2 s left"
std::string ProgressLine(int64_t done, int64_t total, double elapsed);
