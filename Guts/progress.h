// The progress line of a long run (--progress): on standard error, how many
// cases are done, the time elapsed and an estimate of the time left. On a
// terminal it is one line rewritten in place, and only while standard output
// goes elsewhere (else the cases' own lines show the progress, and the line
// would break them); into a file or a pipe, a line every 30 seconds.
#pragma once
#include <chrono>
#include <streambuf>
#include <cstddef>
#include <string>

#include "CaseRunner.h"

class ProgressLine {
public:
    ProgressLine(bool on, std::size_t total);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    // One more case done.
    void step();
    // Takes the line away; then `last`, when not empty, as a line of its own.
    void finish(const std::string& last = std::string());
    // Takes the line away until the next step, for other text on standard error.
    void clear();

private:
    void show(bool force);
    bool asked_;
    bool on_;
    bool tty_ = false;
    bool shown_ = false;
    std::size_t total_, done_ = 0;
    std::chrono::steady_clock::time_point start_, last_;
};

// Text for standard error that takes the progress line away before it is
// written, so that the two do not share a line.
class AroundProgress : public std::streambuf {
public:
    AroundProgress(std::streambuf* to, ProgressLine& line) : to_(to), line_(line) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        line_.clear();
        return to_->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        line_.clear();
        return to_->sputn(s, n);
    }
    int sync() override { return to_->pubsync(); }

private:
    std::streambuf* to_;
    ProgressLine& line_;
};

// The views of a run with a progress line that counts their cases.
class ProgressViews : public CaseViews {
public:
    ProgressViews(CaseViews& inner, ProgressLine& line) : inner_(inner), line_(line) {}
    bool before(std::size_t i) override { return inner_.before(i); }
    bool after(std::size_t i, const CaseResult* r) override {
        const bool ok = inner_.after(i, r);
        line_.step();
        return ok;
    }

private:
    CaseViews& inner_;
    ProgressLine& line_;
};
