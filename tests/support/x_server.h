// A private X server for a test: Xvfb on a display number it picks itself.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

struct XServer {
    pid_t pid = -1;
    std::string display;  // ":N"
};

// Starts Xvfb with one screen of width x height x 24 and the extra arguments
// (for example {"-extension", "GLX"}), and waits until it accepts clients.
// Returns a server with pid -1 when Xvfb could not be started.
XServer StartXServer(int width, int height, const std::vector<std::string>& extraArgs = {});

// Stops the server and waits for it to exit.
void StopXServer(XServer& server);

// Sets DISPLAY to the server for this process (and the programs it starts).
void UseXServer(const XServer& server);
