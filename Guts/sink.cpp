#include "sink.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

void report_fault(const std::string& name, const std::string& why) {
    std::cout.flush();
    std::cerr << "tolvane: " << (name.empty() ? std::string() : name + ": ") << why
              << std::endl;
}

void fatal(const std::string& name, const std::string& why) {
    report_fault(name, why);
    std::exit(2);
}

bool terminal_written() {
    std::cout.flush();
    if (std::cout) return true;
    const auto* out = dynamic_cast<const DescriptorOutput*>(std::cout.rdbuf());
    const int e = out ? out->error() : 0;
    report_fault("standard output",
                 "cannot write" + (e ? std::string(": ") + std::strerror(e) : std::string()));
    return false;
}

void check_terminal() {
    if (!terminal_written()) std::exit(2);
}

int DescriptorOutput::sync() {
    const char* p = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, left);
        if (n > 0) {
            p += n;
            left -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        error_ = n < 0 ? errno : EIO;
        setp(buffer_, buffer_ + sizeof buffer_);
        return -1;
    }
    setp(buffer_, buffer_ + sizeof buffer_);
    return 0;
}

DescriptorOutput::int_type DescriptorOutput::overflow(int_type c) {
    if (sync() != 0) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}
