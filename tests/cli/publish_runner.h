#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Runs the built galvane-publish as a user would, without a controlling terminal.
struct Outcome {
    int exitCode = -1;
    std::string output;
};

std::string Quoted(const std::string& arg);

// Runs to the end (or is killed after `timeoutSeconds`, when above 0); stdout and stderr
// together in `output`.
Outcome RunPublish(const std::vector<std::string>& args, const std::string& password = "",
                   int timeoutSeconds = 0);

// Starts it in the background, its output into `outputFile`; returns its PID.
pid_t StartPublish(const std::vector<std::string>& args, const std::string& outputFile);
// Waits for a started run: its exit status, or -1 when a signal ended it.
int WaitForPublish(pid_t pid);

bool Contains(const std::string& text, const std::string& part);

// A photograph-like JPEG of `size` ("640x480"), different for each seed.
void MakeJpeg(const std::string& path, const std::string& size, int seed);
