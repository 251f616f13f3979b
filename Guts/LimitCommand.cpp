#include "LimitCommand.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace limitcmd {

namespace {

struct State {
    std::string command;
    double timeout = 60.0;
    pid_t pid = -1;
    int to_child = -1;
    int from_child = -1;
    std::string pending;    // bytes read past the last answer line
    bool failed = false;    // in the current case
    bool ever_failed = false;
    std::string failure;
};

State st;

// An answer line longer than this is not an answer: the command is not speaking
// the protocol, and reading on would grow memory without bound.
constexpr std::size_t max_answer = 4096;

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string status_text(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "stopped";
}

// Ends the child: closes both pipes, then waits; a child that does not go within
// a moment is killed, so that nothing is left running behind the program.
std::string reap(bool kill_now) {
    close_fd(st.to_child);
    close_fd(st.from_child);
    st.pending.clear();
    if (st.pid < 0) return "";
    const pid_t pid = st.pid;
    st.pid = -1;
    int status = 0;
    if (kill_now) ::kill(pid, SIGKILL);
    for (int i = 0; i < 100; ++i) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return kill_now ? "" : status_text(status);
        if (r < 0 && errno != EINTR) return "";
        timespec ms{0, 10'000'000};
        nanosleep(&ms, nullptr);
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return "";
}

bool start(std::string& why) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        why = std::string("cannot be started: ") + std::strerror(errno);
        return false;
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        why = std::string("cannot be started: ") + std::strerror(errno);
        ::close(in[0]);
        ::close(in[1]);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        why = std::string("cannot be started: ") + std::strerror(errno);
        for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
        return false;
    }
    if (pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::execl("/bin/sh", "sh", "-c", st.command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    st.pid = pid;
    st.to_child = in[1];
    st.from_child = out[0];
    return true;
}

// Waits for `events` on fd until the deadline; false on timeout.
bool wait_for(int fd, short events, double deadline) {
    for (;;) {
        const double left = deadline - now();
        if (left <= 0.0) return false;
        pollfd p{fd, events, 0};
        const int ms = left > 1e6 ? 1'000'000'000 : static_cast<int>(left * 1000.0) + 1;
        const int r = ::poll(&p, 1, ms);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;  // let the read or write report it
    }
}

bool fail(const limitproto::Request& r, const std::string& why, bool kill_now) {
    std::string status = reap(kill_now);
    std::string text = "limit command '" + st.command + "' " + why;
    if (!status.empty()) text += " and " + status;
    text += "; request: " + limitproto::format_request(r);
    st.failed = true;
    st.ever_failed = true;
    st.failure = text;
    return false;
}

}  // namespace

void use(const std::string& command, double timeout_seconds) {
    stop();
    st = State{};
    st.command = command;
    st.timeout = timeout_seconds;
    // A command that dies must not take the program with it on the next write.
    if (!command.empty()) std::signal(SIGPIPE, SIG_IGN);
}

bool active() { return !st.command.empty(); }
const std::string& command() { return st.command; }

bool ask(const limitproto::Request& r, limitproto::Answer& a) {
    if (st.failed) return false;
    if (st.pid < 0) {
        std::string why;
        if (!start(why)) return fail(r, why, false);
    }
    const double deadline = now() + st.timeout;
    const std::string line = limitproto::format_request(r) + '\n';
    std::size_t sent = 0;
    while (sent < line.size()) {
        if (!wait_for(st.to_child, POLLOUT, deadline))
            return fail(r, "took no request within " + limitproto::real17(st.timeout) + " s", true);
        const ssize_t n = ::write(st.to_child, line.data() + sent, line.size() - sent);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return fail(r, "closed its input", false);
        }
        sent += static_cast<std::size_t>(n);
    }
    for (;;) {
        const std::size_t eol = st.pending.find('\n');
        if (eol != std::string::npos) {
            std::string answer = st.pending.substr(0, eol);
            st.pending.erase(0, eol + 1);
            const std::string why = limitproto::parse_answer(answer, r.kind, a);
            if (!why.empty()) return fail(r, why, true);
            return true;
        }
        if (st.pending.size() > max_answer)
            return fail(r, "answered a line longer than " + std::to_string(max_answer) +
                               " characters", true);
        if (!wait_for(st.from_child, POLLIN, deadline))
            return fail(r, "gave no answer within " + limitproto::real17(st.timeout) + " s",
                        true);
        char buf[512];
        const ssize_t n = ::read(st.from_child, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return fail(r, std::string("cannot be read: ") + std::strerror(errno), true);
        }
        if (n == 0) {
            std::string status = reap(false);
            return fail(r, "closed its output" + (status.empty() ? "" : " and " + status),
                        false);
        }
        st.pending.append(buf, static_cast<std::size_t>(n));
    }
}

bool take_failure(std::string& record) {
    if (!st.failed) return false;
    record = st.failure;
    st.failed = false;
    st.failure.clear();
    return true;
}

bool any_failed() { return st.ever_failed; }

void stop() {
    if (st.pid >= 0) reap(false);
}

}  // namespace limitcmd
