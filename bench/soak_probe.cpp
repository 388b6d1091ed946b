#include "bench/soak_probe.h"

#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

double ProcessorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold spaces and parentheses: fields count from the last ')'.
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) {
            utime = std::stoull(field);
        } else if (i == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool WaitForQuiet(pid_t pid, int quietMs, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    double last = ProcessorSeconds(pid);
    auto quietSince = Clock::now();
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // polling interval
        const double now = ProcessorSeconds(pid);
        if (now != last) {
            last = now;
            quietSince = Clock::now();
        } else if (Clock::now() - quietSince >= std::chrono::milliseconds(quietMs)) {
            return true;
        }
    }
    return false;
}

std::uint32_t ResourceBase(xcb_connection_t* c, std::uint32_t window) {
    return window & ~xcb_get_setup(c)->resource_id_mask;
}

ResourceCounts ClientResources(xcb_connection_t* c, std::uint32_t resourceBase) {
    ResourceCounts counts;
    xcb_res_query_client_resources_reply_t* reply = xcb_res_query_client_resources_reply(
        c, xcb_res_query_client_resources(c, resourceBase), nullptr);
    if (reply == nullptr) {
        return counts;
    }
    for (auto it = xcb_res_query_client_resources_types_iterator(reply); it.rem > 0;
         xcb_res_type_next(&it)) {
        xcb_get_atom_name_reply_t* name =
            xcb_get_atom_name_reply(c, xcb_get_atom_name(c, it.data->resource_type), nullptr);
        if (name != nullptr) {
            counts[std::string(xcb_get_atom_name_name(name),
                               static_cast<std::size_t>(xcb_get_atom_name_name_length(name)))] =
                it.data->count;
            std::free(name);
        }
    }
    std::free(reply);
    return counts;
}

long CountOf(const ResourceCounts& counts, const std::string& type) {
    const auto it = counts.find(type);
    return it == counts.end() ? 0 : it->second;
}

bool ReportResources(const ResourceCounts& start, const ResourceCounts& baseline,
                     const ResourceCounts& end) {
    std::set<std::string> types;
    for (const ResourceCounts* counts : {&start, &baseline, &end}) {
        for (const auto& [type, count] : *counts) {
            types.insert(type);
        }
    }
    for (const char* type : kLeakTypes) {
        types.insert(type);
    }
    bool ok = true;
    std::printf("X resources of the program   %8s %8s %8s\n", "start", "baseline", "end");
    for (const std::string& type : types) {
        bool leakType = false;
        for (const char* t : kLeakTypes) {
            leakType = leakType || type == t;
        }
        const bool grew = CountOf(end, type) > CountOf(baseline, type);
        std::printf("  %-26s %8ld %8ld %8ld%s\n", type.c_str(), CountOf(start, type),
                    CountOf(baseline, type), CountOf(end, type), leakType && grew ? "   LEAK" : "");
        ok = ok && !(leakType && grew);
    }
    return ok;
}
