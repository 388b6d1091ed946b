// The processor time of a whole process, for benchmarks that set a client beside a
// server or another client.
#pragma once

#include <QString>

// The run time of all threads of process pid in milliseconds, from the scheduler's
// nanosecond counts (/proc/<pid>/task/*/schedstat): clock ticks (utime, stime) are too
// coarse for a client that spends a tenth of a millisecond per frame. With a thread name,
// only the threads of that name (as /proc shows it, at most 15 characters). 0 if it is gone.
double ProcessCpuMs(qint64 pid, const QString& threadName = {});
