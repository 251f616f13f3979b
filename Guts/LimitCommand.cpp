#include "LimitCommand.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

extern char** environ;

namespace limitcmd {

namespace {

// The process groups of the running commands, one place per connection that
// has a command running, for the signal handlers and the end of the program:
// the only state of this module outside its connections, since a handler can
// reach nothing else. A place is claimed and released only while the ending
// signals are blocked in the thread that does it, and each field is a
// lock-free atomic, so a handler sees either no group or one that is wholly
// there.
struct Running {
    std::atomic<pid_t> group{0};
    std::atomic<int> input{-1};  // the command's standard input, closed first at the end
};
constexpr int max_running = 1024;
Running running[max_running];
static_assert(std::atomic<pid_t>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

int claim_place(pid_t group, int input) {
    for (int i = 0; i < max_running; ++i) {
        pid_t none = 0;
        if (running[i].group.compare_exchange_strong(none, group)) {
            running[i].input.store(input);
            return i;
        }
    }
    return -1;  // more commands than places: this one is ended by its connection only
}

void release_place(int slot) {
    if (slot < 0) return;
    running[slot].input.store(-1);
    running[slot].group.store(0);
}

// The signals that end a program and can be caught: those sent to end it (by
// the terminal, kill, timeout, an alarm, a CPU-time limit, a power failure)
// and those of its own faults (an abort, a bad memory access). Their default
// action would leave the command's group running, since the group is not the
// terminal's nor the sender's. SIGKILL and SIGSTOP cannot be caught; a
// command's group outlives a SIGKILL of the program.
constexpr int ending_signals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGALRM, SIGUSR1,
                                  SIGUSR2, SIGXCPU, SIGABRT, SIGSEGV, SIGBUS,  SIGFPE,
                                  SIGILL,  SIGSYS,  SIGTRAP, SIGPWR,  SIGVTALRM, SIGPROF};

// The action each ending signal had before ours: a handler installed earlier
// (the sanitizers' for SIGSEGV, SIGBUS and SIGFPE) runs after the groups are
// ended. Written once, before our handlers are installed.
struct sigaction previous_action[NSIG];

// An answer line longer than this is not an answer: the command is not speaking
// the protocol, and reading on would grow memory without bound.
constexpr std::size_t max_answer = 4096;

// How long a command whose input is closed may take to exit by itself, and how
// long its group may take to go after SIGTERM before SIGKILL.
constexpr double own_exit_grace = 1.0;
constexpr double term_grace = 0.3;

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void pause_briefly() {
    timespec t{0, 5'000'000};
    nanosleep(&t, nullptr);
}

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Holds the ending signals back while the group is started or ended.
class EndingSignalsHeld {
public:
    EndingSignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : ending_signals) sigaddset(&set, sig);
        pthread_sigmask(SIG_BLOCK, &set, &before_);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    EndingSignalsHeld(const EndingSignalsHeld&) = delete;
    EndingSignalsHeld& operator=(const EndingSignalsHeld&) = delete;
    const sigset_t& before() const { return before_; }

private:
    sigset_t before_;
};

struct Ending {
    bool leader_reaped = false;
    bool exited_by_itself = false;  // the leader went before it was signalled
    int status = 0;                 // the leader's wait status, when reaped
};

// Ends the process group led by `leader`: first `own_wait` seconds for the
// leader to exit by itself, then SIGTERM to the whole group, SIGKILL to whatever
// is left after a grace, and every member that is our child reaped (the program
// is the subreaper of the group's orphans where the system allows it). Only
// async-signal-safe calls: the signal handlers end the group with it too.
Ending end_group(pid_t leader, double own_wait) {
    Ending e;
    auto reap_members = [&] {
        for (;;) {
            int ws = 0;
            const pid_t r = ::waitpid(-leader, &ws, WNOHANG);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return;
            if (r == leader) {
                e.leader_reaped = true;
                e.status = ws;
            }
        }
    };
    // Once the leader is reaped and the group is empty, kill fails: nothing is left.
    auto group_gone = [&] { return e.leader_reaped && ::kill(-leader, 0) != 0; };

    const double start = now();
    while (own_wait > 0.0) {
        reap_members();
        if (e.leader_reaped) {
            e.exited_by_itself = true;
            break;
        }
        if (now() - start >= own_wait) break;
        pause_briefly();
    }
    if (!group_gone()) {
        ::kill(-leader, SIGTERM);
        // A stopped member (one that read the terminal from outside its
        // foreground group) would keep SIGTERM pending until continued.
        ::kill(-leader, SIGCONT);
        const double term = now();
        for (;;) {
            reap_members();
            if (group_gone() || now() - term >= term_grace) break;
            pause_briefly();
        }
    }
    if (!group_gone()) {
        ::kill(-leader, SIGKILL);
        while (!e.leader_reaped) {
            int ws = 0;
            const pid_t r = ::waitpid(leader, &ws, 0);
            if (r == leader) {
                e.leader_reaped = true;
                e.status = ws;
            } else if (!(r < 0 && errno == EINTR)) {
                break;
            }
        }
        // Members killed after the leader was reaped are reaped as they go.
        const double kill_time = now();
        while (!group_gone() && now() - kill_time < term_grace) {
            reap_members();
            pause_briefly();
        }
    }
    return e;
}

// Whether an action is a handler rather than the default or ignoring.
bool is_handler(const struct sigaction& a) {
    const void* h = (a.sa_flags & SA_SIGINFO) ? reinterpret_cast<const void*>(a.sa_sigaction)
                                              : reinterpret_cast<const void*>(a.sa_handler);
    return h != reinterpret_cast<const void*>(SIG_DFL) &&
           h != reinterpret_cast<const void*>(SIG_IGN);
}

extern "C" void end_group_and_die(int sig, siginfo_t* info, void* context) {
    const int saved = errno;
    for (Running& r : running) {
        const pid_t group = r.group.load();
        if (group > 0) end_group(group, 0.0);
    }
    const struct sigaction& before = previous_action[sig];
    if (is_handler(before)) {
        // Whatever it does (a sanitizer reports the fault and exits), the
        // groups are gone already.
        if (before.sa_flags & SA_SIGINFO) {
            before.sa_sigaction(sig, info, context);
        } else {
            before.sa_handler(sig);
        }
    } else {
        std::signal(sig, SIG_DFL);
        std::raise(sig);  // delivered with the default action once the handler returns
    }
    errno = saved;
}

// At exit the connections may still be there (an exit from deep in an entry):
// their commands are ended as stop() ends one, input closed first.
void at_exit() {
    for (Running& r : running) {
        const pid_t group = r.group.load();
        if (group <= 0) continue;
        const int input = r.input.exchange(-1);
        if (input >= 0) ::close(input);
        end_group(group, own_exit_grace);
        r.group.store(0);
    }
}

}  // namespace

void prepare() {
    // A command that dies must not take the program with it on the next write.
    std::signal(SIGPIPE, SIG_IGN);
    static std::once_flag once;
    std::call_once(once, [] {
#ifdef __linux__
    // The group's members orphaned by the shell's end are reparented here and
    // reaped with it, rather than lingering where nothing reaps them.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
    std::atexit(at_exit);
    struct sigaction act {};
    act.sa_sigaction = end_group_and_die;
    // On the alternate stack where there is one: a fault of a stack overflow
    // (which the sanitizers catch on theirs) still ends the groups.
    act.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&act.sa_mask);
    for (int sig : ending_signals) sigaddset(&act.sa_mask, sig);
    for (int sig : ending_signals) {
        // An ignored signal stays ignored (nohup); a handler of someone else
        // is kept, to run after ours.
        struct sigaction& before = previous_action[sig];
        if (::sigaction(sig, nullptr, &before) == 0 &&
            (is_handler(before) || before.sa_handler == SIG_DFL))
            ::sigaction(sig, &act, nullptr);
    }
    });
}

namespace {

std::string status_text(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "stopped";
}

}  // namespace

// Ends the running command and its whole group; how the command ended when it
// went by itself within `own_wait` seconds of its input being closed, else "".
std::string Connection::end_command(double own_wait) {
    close_fd(to_child_);
    close_fd(from_child_);
    pending_.clear();
    if (pid_ < 0) return "";
    EndingSignalsHeld held;
    // Taken from the place first, so that the end of the program does not end
    // it a second time; the input there is this connection's, closed above.
    if (slot_ >= 0) running[slot_].input.store(-1);
    const Ending e = end_group(pid_, own_wait);
    release_place(slot_);
    slot_ = -1;
    pid_ = -1;
    return e.exited_by_itself ? status_text(e.status) : "";
}

bool Connection::start(std::string& why) {
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
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&files, out[1], STDOUT_FILENO);

    EndingSignalsHeld held;
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Its own process group, so that the whole of it can be ended; the default
    // actions of the signals this program ignores for itself, and its signal mask
    // as it was before the start.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                        POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &held.before());

    std::string sh = "sh", dash_c = "-c", cmd = shell_line(command_);
    char* argv[] = {sh.data(), dash_c.data(), cmd.data(), nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, "/bin/sh", &files, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&files);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        why = std::string("cannot be started: ") + std::strerror(rc);
        ::close(in[1]);
        ::close(out[0]);
        return false;
    }
    // Where the spawn returns before the child has set its group, this sets it
    // first; where it has (or the child has run its program already), this fails
    // harmlessly.
    ::setpgid(pid, pid);
    pid_ = pid;
    to_child_ = in[1];
    from_child_ = out[0];
    slot_ = claim_place(pid, to_child_);
    fresh_ = true;
    return true;
}

namespace {

// Waits for `events` on fd until the deadline; false on timeout. Past the
// deadline the fd is still looked at once: a program stopped (SIGSTOP, a
// suspended machine) past the deadline while the answer came is not timed out.
bool wait_for(int fd, short events, double deadline) {
    for (;;) {
        const double left = deadline - now();
        pollfd p{fd, events, 0};
        const int ms = left <= 0.0 ? 0
                       : left > 1e6 ? 1'000'000'000
                                    : static_cast<int>(left * 1000.0) + 1;
        const int r = ::poll(&p, 1, ms);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;  // let the read or write report it
        if (left <= 0.0) return false;
    }
}

// Whether nothing written to the pipe's write end `fd` is left unread. Where
// the system cannot tell, as if read.
bool drained(int fd) {
    int unread = 0;
    return ::ioctl(fd, FIONREAD, &unread) != 0 || unread <= 0;
}

// Waits until the command has read what was written to `to` (its start-up),
// or has written or closed `from`: true; false when the deadline passes first.
bool wait_until_read(int to, int from, double deadline) {
    for (;;) {
        if (drained(to)) return true;
        const double left = deadline - now();
        pollfd p{from, POLLIN, 0};
        // The pipe gives no event for being read: it is looked at every 10 ms,
        // and at once when the command writes.
        const int ms = left <= 0.0 ? 0 : left < 0.01 ? static_cast<int>(left * 1000.0) + 1 : 10;
        const int r = ::poll(&p, 1, ms);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;
        if (left <= 0.0) return drained(to);
    }
}

bool is_word_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("_./,:+@%=-~", c) != nullptr;
}

// Words the shell treats itself rather than as a program to run: `exec`
// before them would change what the line does.
bool is_shell_word(const std::string& w) {
    static const char* const words[] = {
        "!", "{", "}", "[[", "]]", "case", "do", "done", "elif", "else", "esac", "fi", "for",
        "function", "if", "in", "select", "then", "time", "until", "while", ".", ":", "[",
        "alias", "bg", "bind", "break", "builtin", "caller", "cd", "command", "compgen",
        "complete", "compopt", "continue", "declare", "dirs", "disown", "echo", "enable",
        "eval", "exec", "exit", "export", "false", "fc", "fg", "getopts", "hash", "help",
        "history", "jobs", "kill", "let", "local", "logout", "mapfile", "popd", "printf",
        "pushd", "pwd", "read", "readarray", "readonly", "return", "set", "shift", "shopt",
        "source", "suspend", "test", "times", "trap", "true", "type", "typeset", "ulimit",
        "umask", "unalias", "unset", "wait"};
    for (const char* x : words)
        if (w == x) return true;
    return false;
}

}  // namespace

std::string shell_line(const std::string& command) {
    // Reads the words: plain characters, '...' and "..." without anything the
    // shell expands inside; any other character (an operator, a redirection,
    // $, a backquote, a backslash, a glob, a comment, a line end) keeps the
    // line as it is.
    std::string first;
    bool in_first = true, any = false;
    std::size_t i = 0;
    while (i < command.size()) {
        const char c = command[i];
        if (c == ' ' || c == '\t') {
            if (any) in_first = false;
            ++i;
            continue;
        }
        any = true;
        if (c == '\'') {
            const std::size_t end = command.find('\'', i + 1);
            if (end == std::string::npos) return command;
            if (in_first) first += command.substr(i + 1, end - i - 1);
            i = end + 1;
        } else if (c == '"') {
            std::size_t end = i + 1;
            while (end < command.size() && command[end] != '"') {
                if (std::strchr("$`\\!", command[end])) return command;
                ++end;
            }
            if (end >= command.size()) return command;
            if (in_first) first += command.substr(i + 1, end - i - 1);
            i = end + 1;
        } else if (is_word_char(c)) {
            // An assignment before the program is not a program.
            if (in_first && c == '=') return command;
            if (in_first) first += c;
            ++i;
        } else {
            return command;
        }
    }
    // A first word starting with '-' would be an option of exec (bash's -l, -c, -a).
    if (first.empty() || first[0] == '-' || is_shell_word(first)) return command;
    return "exec " + command;
}

namespace {

// The first line of what the command wrote, cut as the protocol's own messages
// cut what they quote.
std::string excerpt(const std::string& text) {
    const std::string line = text.substr(0, text.find('\n'));
    return line.size() > 40 ? line.substr(0, 40) + "..." : line;
}

}  // namespace

// Whether the command has output there now, unasked; its first line in `line`.
// An end of output is left to the read that meets it.
bool Connection::unasked_output(std::string& line) {
    if (from_child_ < 0) return false;
    for (;;) {
        pollfd p{from_child_, POLLIN, 0};
        const int r = ::poll(&p, 1, 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0 || !(p.revents & POLLIN)) return false;
        char buf[512];
        const ssize_t n = ::read(from_child_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        line = excerpt(std::string(buf, static_cast<std::size_t>(n)));
        return true;
    }
}

bool Connection::fail(const limitproto::Request& r, const std::string& why, bool kill_now) {
    std::string status = end_command(kill_now ? 0.0 : own_exit_grace);
    std::string text = "limit command '" + command_ + "' " + why;
    if (!status.empty()) text += " and " + status;
    text += "; request: " + limitproto::format_request(r);
    failed_ = true;
    ever_failed_ = true;
    failure_ = shown(text);
    return false;
}

std::string shown(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (u < 0x20 || u == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

Connection::Connection(const std::string& command, double timeout_seconds,
                       double startup_seconds)
    : command_(command),
      timeout_(timeout_seconds),
      startup_(startup_seconds > 0.0 ? startup_seconds
                                     : timeout_seconds > 60.0 ? timeout_seconds : 60.0) {
    prepare();
}

Connection::~Connection() { stop(); }

bool Connection::ask(const limitproto::Request& r, limitproto::Answer& a) {
    if (failed_) return false;
    if (pid_ < 0) {
        std::string why;
        if (!start(why)) return fail(r, why, false);
    }
    // An answer counts only for the request just sent: output already there is
    // an answer to something else.
    std::string early;
    if (unasked_output(early)) return fail(r, "wrote before it was asked: " + early, true);

    // The first request after a start waits for the command to start, up to
    // the start-up limit; its time limit counts from when it is read.
    const bool first = fresh_;
    fresh_ = false;
    const double limit = first ? startup_ : timeout_;
    double deadline = now() + limit;
    const std::string line = limitproto::format_request(r) + '\n';
    std::size_t sent = 0;
    while (sent < line.size()) {
        if (!wait_for(to_child_, POLLOUT, deadline))
            return fail(r, "took no request within " + limitproto::real17(limit) + " s", true);
        const ssize_t n = ::write(to_child_, line.data() + sent, line.size() - sent);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return fail(r, "closed its input", false);
        }
        sent += static_cast<std::size_t>(n);
    }
    if (first) {
        if (!wait_until_read(to_child_, from_child_, deadline))
            return fail(r, "did not read its first request within " + limitproto::real17(startup_) +
                               " s of its start", true);
        deadline = now() + timeout_;
    }
    for (;;) {
        const std::size_t eol = pending_.find('\n');
        if (eol != std::string::npos) {
            std::string answer = pending_.substr(0, eol);
            pending_.erase(0, eol + 1);
            if (!pending_.empty())
                return fail(r, "answered more than one line: " + excerpt(pending_), true);
            const std::string why = limitproto::parse_answer(answer, r.kind, a);
            if (!why.empty()) return fail(r, why, true);
            last_ = r;
            return true;
        }
        if (pending_.size() > max_answer)
            return fail(r, "answered a line longer than " + std::to_string(max_answer) +
                               " characters", true);
        if (!wait_for(from_child_, POLLIN, deadline))
            return fail(r, "gave no answer within " + limitproto::real17(timeout_) + " s",
                        true);
        char buf[512];
        const ssize_t n = ::read(from_child_, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return fail(r, std::string("cannot be read: ") + std::strerror(errno), true);
        }
        if (n == 0) return fail(r, "closed its output", false);
        pending_.append(buf, static_cast<std::size_t>(n));
    }
}

bool Connection::reject(const limitproto::Request& r, const std::string& why) {
    if (failed_) return false;
    return fail(r, why, true);
}

bool Connection::take_failure(std::string& record) {
    // A line after the case's last answer belongs to no request of the case.
    std::string late;
    if (!failed_ && pid_ >= 0 && unasked_output(late))
        fail(last_, "wrote after its last answer: " + late, true);
    if (!failed_) return false;
    record = failure_;
    failed_ = false;
    failure_.clear();
    return true;
}

void Connection::stop() { end_command(own_exit_grace); }

}  // namespace limitcmd
