#pragma once

// Runs the real kestrune-batch binary (KESTRUNE_BATCH_BINARY) in a shell.
#include "tests/test_support.hpp"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune::test {

struct BatchResult {
    int exitStatus;
    std::string errorOutput;  // but the closing summary
    std::string output;
    std::string summary;  // "kestrune-batch: 3 done, 0 failed, 0 not begun[, 2 up to date] in 0.4 s", no line end
};

// Moves the closing summary line, whose time differs from run to run, out
// of the error output.
inline void splitSummary(BatchResult& result) {
    const std::string mark = "kestrune-batch: ";
    const auto at = result.errorOutput.rfind(mark);
    if (at == std::string::npos || (at > 0 && result.errorOutput[at - 1] != '\n') ||
        result.errorOutput.find(" not begun", at) == std::string::npos)
        return;
    result.summary = result.errorOutput.substr(at, result.errorOutput.size() - at - 1);
    result.errorOutput.erase(at);
}

inline std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// `shellPrefix` goes before the command: variables ("KESTRUNE_NUM_THREADS=1")
// or commands ("ulimit -f 64;").
inline BatchResult runBatch(const std::vector<std::string>& arguments, const TempDir& dir,
                            const std::string& shellPrefix = "") {
    std::string command = shellPrefix + " " + KESTRUNE_BATCH_BINARY;
    for (const auto& argument : arguments) command += " " + shellQuoted(argument);
    const std::string errors = dir.file("stderr.txt"), output = dir.file("stdout.txt");
    const int status = std::system((command + " 2>" + errors + " >" + output).c_str());
    BatchResult result{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(errors), readFile(output), {}};
    splitSummary(result);
    std::filesystem::remove(errors);
    std::filesystem::remove(output);
    return result;
}

// Starts kestrune-batch in the background with its standard error going to
// `errorPath`; returns its process number, for signals and waitpid.
inline pid_t startBatch(const std::vector<std::string>& arguments, const std::string& errorPath) {
    std::vector<std::string> argv = {KESTRUNE_BATCH_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (auto& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int errors = ::open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errors < 0 || dup2(errors, STDERR_FILENO) < 0) _exit(127);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    return child;
}

}  // namespace kestrune::test
