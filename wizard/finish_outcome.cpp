#include "wizard/finish_outcome.h"

namespace {

std::string Files(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}

}  // namespace

FinishOutcome DescribeFinishedRun(const RunReport& report, const std::string& destFolder) {
    FinishOutcome outcome;
    outcome.nothingToLaunch = !StartPageWritten(report, destFolder);
    outcome.failed = outcome.nothingToLaunch || !report.NothingLost();
    if (!outcome.failed) {
        return outcome;
    }
    if (report.destinationBusy) {
        outcome.heading = "Galvane did not publish the gallery: another publication is running into " +
                          destFolder + ".\nWait until it has ended, then publish again.";
        return outcome;
    }
    std::string reason = MainWriteFailure(report);
    if (reason.empty()) {
        reason = "no start page was written";
    }
    if (outcome.nothingToLaunch) {
        outcome.heading = "Galvane could not publish the gallery: " + reason + ".\nThe folder " + destFolder +
                          " holds no gallery to launch. Choose a folder you can write to, or free this "
                          "one, and publish again.";
    } else {
        outcome.heading = "Galvane wrote only part of the gallery: " + reason + ".\n" +
                          Files(report.notWritten.size()) + " could not be written into " + destFolder +
                          "; Details lists them.";
    }
    return outcome;
}
