// Limits asked of an outside limit command instead of the program's own limit
// code. The command is started once through /bin/sh -c and speaks the line
// protocol of LimitProtocol.h on its standard input and output. Each worker
// that computes cases has a connection of its own, with a command of its own.
// A command line that is one simple command (a program and its words) is run
// with `exec` before it, so that the shell becomes the program rather than
// waiting for it with the program's output held open: a program that closes
// its output is then seen to at once.
//
// An answer counts only for the request just sent. A failure of the command (it
// exits, closes its output, answers something that is not an answer or
// "error: ...", is silent past the time limit, or falls out of step: output there
// before a request is sent, more than one line to a request, or a line after the
// case's last answer) makes the case fail: the first failure is kept with the
// request that met it, every later request of the case is not sent and yields 0,
// and the driver, after the case's integrals, takes the failure and reports the
// case as not computed. A failure ends the command; the next case starts it again.
// The caller may fail the case the same way for an answer it finds wrong
// (reject(); see LimitProbes.h).
//
// The time limit of an answer counts from the request; that of the first
// request after a start counts from when the command has read it (the pipe is
// drained), since a command may take seconds to start (R does). The start-up
// itself is bounded apart.
//
// The command runs in its own process group, with the default actions of
// SIGPIPE and SIGXFSZ. Nothing it starts outlives the program: on a failure, on
// stop(), at exit and on every signal that ends the program and can be caught,
// the whole group gets SIGTERM, then SIGKILL after a short grace, and is reaped.
// A handler that was there before (a sanitizer's) still runs, after the group
// is ended.
#pragma once
#include <string>

#include "LimitProtocol.h"

namespace limitcmd {

// Once per program, before the first connection: the program outlives a
// command that dies (SIGPIPE ignored), and ends every command's group
// whichever way it ends itself.
void prepare();

class Connection {
public:
    // COMMAND (not empty) answers every limit, each answer awaited at most
    // timeout_seconds; after a start, the first request awaited at most
    // startup_seconds to be read (by default the larger of 60 s and the
    // time limit). Nothing is started before the first request.
    Connection(const std::string& command, double timeout_seconds = 60.0,
               double startup_seconds = -1.0);
    // Stops the command (see stop()).
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const std::string& command() const { return command_; }

    // Asks the command; returns false when it fails (the failure is kept, see above).
    bool ask(const limitproto::Request& r, limitproto::Answer& a);

    // Fails the case as a failure of the command would, for request r whose
    // answer the caller found wrong for `why`; ends the command. Returns false.
    bool reject(const limitproto::Request& r, const std::string& why);

    // After a case: whether a failure was met since the last call, and its text.
    bool take_failure(std::string& record);
    // Whether any case has failed on this connection.
    bool any_failed() const { return ever_failed_; }

    // Stops the command: closes its input, gives it a moment to exit by itself,
    // then ends its whole group.
    void stop();

private:
    bool start(std::string& why);
    bool fail(const limitproto::Request& r, const std::string& why, bool kill_now);
    std::string end_command(double own_wait);
    bool unasked_output(std::string& line);

    std::string command_;
    double timeout_ = 60.0;
    double startup_ = 60.0;
    bool fresh_ = false;     // started, and its first request not yet sent
    int slot_ = -1;          // this command's place among the groups the program ends
    int pid_ = -1;           // the shell, leader of the command's own process group
    int to_child_ = -1;
    int from_child_ = -1;
    std::string pending_;    // bytes read past the last answer line
    bool failed_ = false;    // in the current case
    bool ever_failed_ = false;
    std::string failure_;
    limitproto::Request last_{};  // the request last answered, for a line after it
};

// A text of the command (its name, its answers) as a record shows it: control
// characters escaped (\t, \r, \n, \x07), so that an answer cannot break the
// terminal's lines or drive it.
std::string shown(const std::string& text);

// The line given to /bin/sh -c for COMMAND: "exec " and COMMAND when it is one
// simple command whose first word names no shell builtin or keyword and which
// holds nothing the shell would expand or act on beyond its words and quotes;
// COMMAND itself otherwise.
std::string shell_line(const std::string& command);

}  // namespace limitcmd
