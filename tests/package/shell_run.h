// Shell commands for the package tests: their exit status and everything
// they printed, for the failure messages.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct ShellRun {
    int status = -1;  // the exit status; -1 if it was killed or never ran
    std::string output;
    bool ok() const { return status == 0; }
    // The last lines, enough to say why a long build failed.
    std::string tail(std::size_t bytes = 4000) const {
        return output.size() <= bytes ? output : "..." + output.substr(output.size() - bytes);
    }
};

inline ShellRun shell_run(const std::string& command) {
    ShellRun run;
    FILE* pipe = popen(("exec 2>&1 </dev/null; " + command).c_str(), "r");
    if (!pipe) return run;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) run.output.append(chunk, n);
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}
