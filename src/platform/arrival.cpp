#include "platform/arrival.h"

#include <cstddef>

namespace {

bool is_motion(const ConsoleEvent& e) { return e.type == MOUSE_EVENT && (e.mouse_flags & MOUSE_MOVED) != 0; }

}  // namespace

bool arrival_may_change(const std::vector<ConsoleEvent>& events) { return !events.empty() && is_motion(events.back()); }

void coalesce_arrival(std::vector<ConsoleEvent>& events) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const bool superseded = is_motion(events[i]) && i + 1 < events.size() && events[i + 1].type == MOUSE_EVENT;
        if (!superseded) events[kept++] = events[i];
    }
    events.resize(kept);
}
