// Limits asked of an outside limit command instead of the program's own limit
// code. The command is started once through /bin/sh -c and speaks the line
// protocol of LimitProtocol.h on its standard input and output.
//
// A failure of the command (it exits, closes its output, answers something that
// is not an answer or "error: ...", or is silent past the time limit) makes the
// case fail: the first failure is kept with the request that met it, every later
// request of the case is not sent and yields 0, and the driver, after the case's
// integrals, takes the failure and reports the case as not computed. The next
// case starts the command again if it is no longer running.
#pragma once
#include <string>

#include "LimitProtocol.h"

namespace limitcmd {

// Installs COMMAND as the source of every limit the coverage integrands compute;
// an empty command restores the program's own limit code.
void use(const std::string& command, double timeout_seconds = 60.0);
bool active();
const std::string& command();

// Asks the command; returns false when it fails (the failure is kept, see above).
bool ask(const limitproto::Request& r, limitproto::Answer& a);

// After a case: whether a failure was met since the last call, and its text.
bool take_failure(std::string& record);
// Whether any case has failed since the command was installed.
bool any_failed();

// Stops the command (closes its input and waits for it a moment).
void stop();

}  // namespace limitcmd
