#include "bench/process_cpu.h"

#include <QDir>
#include <QFile>
#include <QString>

double ProcessCpuMs(qint64 pid) {
    const QString base = QStringLiteral("/proc/%1/task").arg(pid);
    double ns = 0;
    for (const QString& task : QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(base + "/" + task + "/schedstat");
        if (schedstat.open(QIODevice::ReadOnly)) {
            ns += schedstat.readAll().split(' ').value(0).toDouble();
        }
    }
    return ns / 1e6;
}
