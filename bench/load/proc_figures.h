// What /proc tells about one running game: the CPU it has used, its memory
// (resident and proportional, since many copies share their libraries),
// whether it is waiting for the player, and where its CPU and memory go.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// utime + stime of the whole process, every thread, in clock ticks; -1 once
// the process is gone.
long long cpu_ticks(pid_t pid);
double ticks_per_second();

// VmRSS from status and Pss from smaps_rollup, in kB; -1 if unreadable.
long long resident_kb(pid_t pid);
long long proportional_kb(pid_t pid);

// True while the game's main thread sits in its input wait: the terminal
// poll with no deadline. A pause polls with a deadline, so it does not count.
// Asked often, so the file stays open and is read again from its start.
class InputWaitProbe {
public:
    explicit InputWaitProbe(pid_t pid);
    ~InputWaitProbe();
    InputWaitProbe(const InputWaitProbe&) = delete;
    InputWaitProbe& operator=(const InputWaitProbe&) = delete;
    bool waiting() const;

private:
    int fd;
};

// CPU ticks of each thread, by the thread's name.
struct ThreadTicks {
    std::string name;
    long long ticks = 0;
};
std::vector<ThreadTicks> thread_ticks(pid_t pid);

// Memory of one process by mapping: a file's path, or [heap], [stack],
// [anon] for anonymous memory. kB.
struct MappingMemory {
    std::string name;
    long long rss_kb = 0;
    long long pss_kb = 0;
    long long private_kb = 0;  // Private_Clean + Private_Dirty
};
std::vector<MappingMemory> memory_by_mapping(pid_t pid);

// A process that has ended, or ended and waits to be reaped.
bool process_gone(pid_t pid);

// Every process whose command line holds this text.
std::vector<pid_t> processes_mentioning(const std::string& text);

// The busy and total jiffies of every CPU together, from /proc/stat.
struct SystemTicks {
    long long busy = 0;
    long long total = 0;
};
SystemTicks system_ticks();
