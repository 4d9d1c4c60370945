// SPDX-FileCopyrightText: 2026 The Quorel developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Keeps strict focus running: started by the app for a strict session, it wakes the app when it
// is stopped and starts it again when it is killed, until the app says the session is over.
//   quorel-watch PID PROGRAM [ARGUMENT...]
// PID is the app; PROGRAM and its arguments start it again. Standard input comes from the
// app: a line "end" releases us; its closing without one means the app is gone.
// Nothing but libc, so that it costs next to no memory while it waits.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

// Whether the process is stopped (kill -STOP, or a debugger's stop).
bool isStopped(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    FILE* file = std::fopen(path, "re");
    if (!file) {
        return false;
    }
    char text[512] = {};
    const size_t length = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    // "PID (NAME) STATE ...": the name may hold anything, so the state follows the last ')'.
    const char* close = std::strrchr(text, ')');
    return length > 0 && close && close[1] == ' ' && (close[2] == 'T' || close[2] == 't');
}

bool canConnect(const std::string& path, bool abstract) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path) {
        close(fd);
        return false;
    }
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    close(fd);
    return connected;
}

// Whether the desktop the app ran on is still there: at a logout the display server goes, at a
// shutdown logins are closed first. Then the app ended with the session and stays ended.
bool desktopRemains() {
    if (access("/run/nologin", F_OK) == 0) {
        return false;
    }
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland) {
        std::string path = wayland;
        if (path.front() != '/') {
            const char* runtime = std::getenv("XDG_RUNTIME_DIR");
            path = std::string(runtime ? runtime : "") + "/" + path;
        }
        return canConnect(path, false);
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        return false;
    }
    // ":N" or ":N.S" is local; a remote display cannot be checked from here and counts as there.
    if (display[0] != ':') {
        return true;
    }
    const std::string number(display + 1, std::strcspn(display + 1, "."));
    const std::string socket = "/tmp/.X11-unix/X" + number;
    return canConnect(socket, true) || canConnect(socket, false);
}

void sleepMilliseconds(long milliseconds) {
    timespec duration{milliseconds / 1000, (milliseconds % 1000) * 1'000'000};
    while (nanosleep(&duration, &duration) != 0 && errno == EINTR) {
    }
}

// The app again, in a session of its own, so that a terminal's Ctrl+C or hang-up reaches neither
// it nor its next watcher.
void startAgain(char** command) {
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        execv(command[0], command);
        _exit(127);
    }
    if (child < 0) {
        std::perror("quorel-watch: cannot start the app again");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quorel-watch PID PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const auto app = static_cast<pid_t>(std::strtol(argv[1], nullptr, 10));
    const int appHandle = static_cast<int>(syscall(SYS_pidfd_open, app, 0));
    if (app <= 1 || appHandle < 0) {
        return 0;  // gone already: it was not killed while we watched
    }
    // The app's own signals and descriptors are not ours: a kill of its process group, or of the
    // terminal it was started from, leaves us running.
    setsid();
    signal(SIGHUP, SIG_IGN);
    signal(SIGINT, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);

    bool pipeOpen = true;
    std::string said;
    for (;;) {
        pollfd watched[2] = {{appHandle, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        const int ready = poll(watched, pipeOpen ? 2 : 1, 1000);
        if (ready < 0 && errno != EINTR) {
            return 1;
        }
        if (pipeOpen && (watched[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buffer[64];
            const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
            if (got > 0) {
                said.append(buffer, static_cast<size_t>(got));
                if (said.find("end\n") != std::string::npos) {
                    return 0;
                }
                if (said.size() > 256) {
                    said.erase(0, said.size() - 8);
                }
            } else if (got == 0 || errno != EINTR) {
                pipeOpen = false;  // the app is going; its handle says when it is gone
            }
        }
        if (watched[0].revents & POLLIN) {
            break;
        }
        if (isStopped(app)) {
            kill(app, SIGCONT);
        }
    }
    // A logout or shutdown takes the desktop a moment after it ended the app.
    sleepMilliseconds(1000);
    if (desktopRemains()) {
        startAgain(argv + 2);
    }
    return 0;
}
