// The processor time of a whole process, for benchmarks that set a client beside a
// server or another client.
#pragma once

#include <QtGlobal>

// The run time of all threads of process pid in milliseconds, from the scheduler's
// nanosecond counts (/proc/<pid>/task/*/schedstat): clock ticks (utime, stime) are too
// coarse for a client that spends a tenth of a millisecond per frame. 0 if it is gone.
double ProcessCpuMs(qint64 pid);
