#include "test_support.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace ts {

std::string make_tempdir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    return std::string(buf.data());
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool file_exists(const std::string& path) { return std::filesystem::exists(path); }

RunResult run_tolvane(const std::string& input, const std::string& workdir,
                      const std::string& args) {
    RunSetup setup;
    setup.args = args;
    return run_tolvane(input, workdir, setup);
}

RunResult run_tolvane(const std::string& input, const std::string& workdir,
                      const RunSetup& setup) {
    const std::string in_path = workdir + "/.stdin";
    const std::string out_path = workdir + "/.stdout";
    const std::string err_path = workdir + "/.stderr";
    write_file(in_path, input);
    const std::string stdout_path = setup.stdout_path.empty() ? out_path : setup.stdout_path;
    const std::string stdin_path = setup.stdin_path.empty() ? in_path : setup.stdin_path;
    // Arguments are shell words, so a shell reads them and becomes the program.
    const std::string line = "exec '" TOLVANE_EXE "' " + setup.args;
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to the exec.
        if (chdir(workdir.c_str()) != 0) _exit(120);
        const int in = open(stdin_path.c_str(), O_RDONLY);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || err < 0 || dup2(in, 0) < 0 || dup2(err, 2) < 0) _exit(121);
        if (setup.close_stdout) {
            close(1);
        } else {
            const int out = open(stdout_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || dup2(out, 1) < 0) _exit(122);
        }
        if (setup.file_size_limit >= 0) {
            const rlimit lim{static_cast<rlim_t>(setup.file_size_limit),
                             static_cast<rlim_t>(setup.file_size_limit)};
            if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(123);
        }
        signal(SIGXFSZ, setup.ignore_xfsz ? SIG_IGN : SIG_DFL);
        if (setup.timeout_seconds > 0) alarm(setup.timeout_seconds);
        if (setup.args.empty())
            execl(TOLVANE_EXE, TOLVANE_EXE, static_cast<char*>(nullptr));
        else
            execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    RunResult r;
    int raw = 0;
    if (pid > 0 && waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    if (setup.stdout_path.empty() && !setup.close_stdout) r.out = read_file(out_path);
    r.err = read_file(err_path);
    std::remove(in_path.c_str());
    std::remove(out_path.c_str());
    std::remove(err_path.c_str());
    return r;
}

RunResult run_tolvane(const std::string& input) {
    const TempDir dir;
    return run_tolvane(input, dir.path());
}

std::vector<std::string> limits_answers(const std::string& requests) {
    const TempDir dir;
    write_file(dir.path() + "/in", requests);
    const std::string line = "cd '" + dir.path() + "' && '" + std::string(TOLVANE_LIMITS_EXE) +
                             "' <in >out 2>err";
    EXPECT_EQ(std::system(line.c_str()), 0) << read_file(dir.path() + "/err");
    return lines_of(read_file(dir.path() + "/out"));
}

int count_of(const std::string& text, const std::string& piece) {
    int n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

std::string sci(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3g", v);
    return buf;
}

double ulps(double a, double b) {
    if (a == b) return 0.0;
    auto key = [](double v) {
        std::int64_t i;
        std::memcpy(&i, &v, sizeof i);
        return i < 0 ? INT64_MIN - i : i;
    };
    const std::int64_t d = key(a) - key(b);
    return std::fabs(static_cast<double>(d));
}

}  // namespace ts
