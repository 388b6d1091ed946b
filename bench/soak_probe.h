// What a soak run measures of a process and of its X client: resident memory, processor
// time, and the resources the X server holds for the client (X-Resource extension).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

struct xcb_connection_t;

// VmRSS from /proc/<pid>/status in KiB, or -1.
long ResidentKiB(pid_t pid);
// User plus system time of the process in seconds, or -1.
double ProcessorSeconds(pid_t pid);
// Waits until the process has used no processor time for quietMs (an idle program uses
// none), at most timeoutMs. Returns whether it got quiet.
bool WaitForQuiet(pid_t pid, int quietMs, int timeoutMs);

// The X client that created window: its resource base (the id with the client's mask off).
std::uint32_t ResourceBase(xcb_connection_t* c, std::uint32_t window);

// Resource counts of the client with the given base, by type name ("WINDOW", "PIXMAP",
// "GC", "PICTURE", "DamageExt"...). Empty when the client is gone or X-Resource is missing.
using ResourceCounts = std::map<std::string, long>;
ResourceCounts ClientResources(xcb_connection_t* c, std::uint32_t resourceBase);
long CountOf(const ResourceCounts& counts, const std::string& type);

// The types whose growth means a leak of the program's X objects: damage objects are
// "DamageExt", redirections of source windows "CompositeClientWindow".
inline constexpr const char* kLeakTypes[] = {"WINDOW",  "PIXMAP",    "GC",
                                             "PICTURE", "DamageExt", "CompositeClientWindow"};

// Prints one line per type seen in any of the three counts, and returns false when a leak
// type has more at the end than at the baseline.
bool ReportResources(const ResourceCounts& start, const ResourceCounts& baseline,
                     const ResourceCounts& end);
