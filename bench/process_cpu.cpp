#include "bench/process_cpu.h"

#include <QDir>
#include <QFile>

double ProcessCpuMs(qint64 pid, const QString& threadName) {
    const QString base = QStringLiteral("/proc/%1/task").arg(pid);
    double ns = 0;
    for (const QString& task : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(base + "/" + task + "/comm");
        if (!threadName.isEmpty() && (!comm.open(QIODevice::ReadOnly) ||
                                      QString::fromUtf8(comm.readAll().trimmed()) != threadName)) {
            continue;
        }
        QFile schedstat(base + "/" + task + "/schedstat");
        if (schedstat.open(QIODevice::ReadOnly)) {
            ns += schedstat.readAll().split(' ').value(0).toDouble();
        }
    }
    return ns / 1e6;
}
