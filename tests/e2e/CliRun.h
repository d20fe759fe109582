#pragma once
// Running the zrq6930 program as a user would, from a shell.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "../TestUtil.h"

namespace zr::test {

struct CommandResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs a shell command line; its output and errors are collected unless the
// line redirects them itself.
inline CommandResult RunShell(const std::string& line)
{
    CTempDir tmp;
    const std::string cmd = "{ " + line + " ; } >" + tmp.File("out") + " 2>" + tmp.File("err") + " </dev/null";
    CommandResult r;
    const int status = std::system(cmd.c_str());
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(tmp.File("out"));
    r.err = Slurp(tmp.File("err"));
    return r;
}

inline const std::string kCli = ZR_BINARY_DIR "/zrq6930";

// Runs the CLI with the given arguments and environment prefix.
inline CommandResult RunCli(const std::string& args, const std::string& env = "")
{
    return RunShell(env + " " + kCli + " " + args);
}

inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace zr::test
