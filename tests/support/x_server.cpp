#include "tests/support/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

XServer StartXServer(int width, int height, const std::vector<std::string>& extraArgs) {
    XServer server;
    int fds[2];
    if (pipe(fds) != 0) return server;

    // Xvfb picks a free display itself and writes its number to -displayfd
    // once it accepts connections, so there is nothing to guess or poll.
    std::vector<std::string> args = {"Xvfb",     "-displayfd", std::to_string(fds[1]),
                                     "-screen",  "0",          std::to_string(width) + "x" +
                                                                   std::to_string(height) + "x24",
                                     "-nolisten", "tcp"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());

    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        // Keep the server's chatter out of the test output.
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, 2);
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return server;
    }

    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return server;
    }
    server.pid = pid;
    server.display = ":" + number;
    return server;
}

void StopXServer(XServer& server) {
    if (server.pid <= 0) return;
    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
    server.pid = -1;
}

void UseXServer(const XServer& server) { setenv("DISPLAY", server.display.c_str(), 1); }
