// runInChild, kept out of the main header for readability.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

template <typename Body>
ChildResult runInChild(const std::string& stdinBytes, Body body) {
    TempDir dir;
    std::string inPath = dir.path("stdin");
    std::string outPath = dir.path("stdout");
    writeFile(inPath, stdinBytes);
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        if (!std::freopen(inPath.c_str(), "rb", stdin) || !std::freopen(outPath.c_str(), "wb", stdout))
            _exit(99);
        body();
        std::fflush(nullptr);
        _exit(0);
    }
    ChildResult result;
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.output = readFile(outPath);
    return result;
}
