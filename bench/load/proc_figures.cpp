#include "load/proc_figures.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

namespace {

// The whole of a small /proc file, read in one go (these are generated at
// each read, so a partial read would mix two moments).
std::string read_proc(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

std::string proc_path(pid_t pid, const char* file) { return "/proc/" + std::to_string(pid) + "/" + file; }

// Fields 14 and 15 (utime, stime) of a stat line; the name before them is
// in parentheses and may hold blanks, so counting starts after the last ')'.
long long stat_ticks(const std::string& stat) {
    const auto close_paren = stat.rfind(')');
    if (close_paren == std::string::npos) return -1;
    std::istringstream fields(stat.substr(close_paren + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) utime = std::atoll(field.c_str());
        if (index == 15) stime = std::atoll(field.c_str());
    }
    return utime + stime;
}

long long field_kb(const std::string& text, const char* name) {
    const auto at = text.find(name);
    if (at == std::string::npos) return -1;
    return std::atoll(text.c_str() + at + std::strlen(name));
}

}  // namespace

long long cpu_ticks(pid_t pid) {
    const std::string stat = read_proc(proc_path(pid, "stat"));
    return stat.empty() ? -1 : stat_ticks(stat);
}

double ticks_per_second() { return static_cast<double>(sysconf(_SC_CLK_TCK)); }

long long resident_kb(pid_t pid) { return field_kb(read_proc(proc_path(pid, "status")), "\nVmRSS:"); }

long long proportional_kb(pid_t pid) { return field_kb(read_proc(proc_path(pid, "smaps_rollup")), "\nPss:"); }

InputWaitProbe::InputWaitProbe(pid_t pid) : fd(open(proc_path(pid, "syscall").c_str(), O_RDONLY | O_CLOEXEC)) {}

InputWaitProbe::~InputWaitProbe() {
    if (fd >= 0) close(fd);
}

bool InputWaitProbe::waiting() const {
    // "number arg1 arg2 arg3 ...": ppoll(fds, count, timeout, mask) with a
    // null timeout.
    char text[256];
    const ssize_t n = pread(fd, text, sizeof text - 1, 0);
    if (n <= 0) return false;
    text[n] = 0;
    long number = -1;
    unsigned long long fds = 0, count = 0, timeout = 1;
    if (std::sscanf(text, "%ld %llx %llx %llx", &number, &fds, &count, &timeout) != 4) return false;
    return number == SYS_ppoll && timeout == 0;
}

std::vector<ThreadTicks> thread_ticks(pid_t pid) {
    std::vector<ThreadTicks> threads;
    const std::string folder = proc_path(pid, "task");
    DIR* dir = opendir(folder.c_str());
    if (!dir) return threads;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const std::string task = folder + "/" + entry->d_name;
        std::string name = read_proc(task + "/comm");
        while (!name.empty() && name.back() == '\n') name.pop_back();
        threads.push_back({name, stat_ticks(read_proc(task + "/stat"))});
    }
    closedir(dir);
    return threads;
}

std::vector<MappingMemory> memory_by_mapping(pid_t pid) {
    // A mapping's header line is "start-end perms offset dev inode [path]";
    // its figures follow as "Name: value kB".
    std::map<std::string, MappingMemory> by_name;
    std::istringstream lines(read_proc(proc_path(pid, "smaps")));
    std::string line;
    MappingMemory* current = nullptr;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        const auto blank = line.find(' ');
        if (colon != std::string::npos && (blank == std::string::npos || colon < blank)) {
            if (!current) continue;
            const long long kb = std::atoll(line.c_str() + colon + 1);
            if (line.starts_with("Rss:")) current->rss_kb += kb;
            if (line.starts_with("Pss:")) current->pss_kb += kb;
            if (line.starts_with("Private_Clean:") || line.starts_with("Private_Dirty:")) current->private_kb += kb;
            continue;
        }
        std::istringstream header(line);
        std::string range, perms, offset, device, inode, name;
        header >> range >> perms >> offset >> device >> inode;
        std::getline(header >> std::ws, name);
        if (name.empty()) name = "[anon]";
        current = &by_name[name];
        current->name = name;
    }
    std::vector<MappingMemory> mappings;
    for (auto& [name, memory] : by_name) mappings.push_back(memory);
    return mappings;
}

bool process_gone(pid_t pid) {
    const std::string stat = read_proc(proc_path(pid, "stat"));
    const auto close_paren = stat.rfind(')');
    return close_paren == std::string::npos || close_paren + 2 >= stat.size() || stat[close_paren + 2] == 'Z' ||
           stat[close_paren + 2] == 'X';
}

std::vector<pid_t> processes_mentioning(const std::string& text) {
    std::vector<pid_t> found;
    DIR* dir = opendir("/proc");
    if (!dir) return found;
    while (const dirent* entry = readdir(dir)) {
        const pid_t pid = std::atoi(entry->d_name);
        if (pid <= 0) continue;
        // The arguments are separated by NULs, which find() reads through.
        if (read_proc(proc_path(pid, "cmdline")).find(text) != std::string::npos) found.push_back(pid);
    }
    closedir(dir);
    return found;
}

SystemTicks system_ticks() {
    // "cpu user nice system idle iowait irq softirq steal ..."
    std::istringstream fields(read_proc("/proc/stat"));
    std::string label;
    fields >> label;
    SystemTicks ticks;
    long long value = 0;
    for (int index = 0; index < 8 && fields >> value; ++index) {
        ticks.total += value;
        if (index != 3 && index != 4) ticks.busy += value;
    }
    return ticks;
}
