// The one output sink of every computing routine's diagnostics. It is standard
// output unless a test (or a caller that wants to capture) redirects it.
#pragma once
#include <iosfwd>

std::ostream& sink();
// Redirects the sink; nullptr restores standard output. Returns the previous target.
std::ostream* set_sink(std::ostream* target);
