#pragma once

#include <string>

#include "engine/run_report.h"

// What the finish page says about the run it follows. A run that wrote its start page and every
// file is a success, and the page shows its designed text; any other gets a failure heading.
struct FinishOutcome {
    bool failed = false;
    // No start page was written: the gallery cannot be opened.
    bool nothingToLaunch = false;
    // "Galvane could not publish the gallery: Read-only file system" and what to do, on two lines.
    std::string heading;
};

FinishOutcome DescribeFinishedRun(const RunReport& report, const std::string& destFolder);
