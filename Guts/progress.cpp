#include "progress.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

std::string clock_text(double seconds) {
    const long s = static_cast<long>(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

}  // namespace

ProgressLine::ProgressLine(bool on, std::size_t total)
    : asked_(on), on_(on), total_(total), start_(std::chrono::steady_clock::now()), last_(start_) {
    tty_ = ::isatty(2) == 1;
    if (on_ && tty_ && ::isatty(1) == 1) on_ = false;
    if (on_ && tty_) show(true);
}

void ProgressLine::step() {
    ++done_;
    if (on_) show(false);
}

void ProgressLine::show(bool force) {
    const auto now = std::chrono::steady_clock::now();
    const double since = std::chrono::duration<double>(now - last_).count();
    if (!force && since < (tty_ ? 0.25 : 30.0)) return;
    last_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    std::string left = "?";
    if (done_ > 0) left = clock_text(elapsed * static_cast<double>(total_ - done_) / done_);
    const std::string text = "tolvane: " + std::to_string(done_) + " of " +
                             std::to_string(total_) + " cases done, " + clock_text(elapsed) +
                             " elapsed, about " + left + " left";
    if (tty_) {
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        shown_ = true;
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::fflush(stderr);
}

void ProgressLine::clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

void ProgressLine::finish(const std::string& last) {
    clear();
    if (asked_ && !last.empty()) std::fprintf(stderr, "tolvane: %s\n", last.c_str());
    std::fflush(stderr);
    on_ = false;
}
