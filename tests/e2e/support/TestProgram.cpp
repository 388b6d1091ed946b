#include "tests/e2e/support/TestProgram.h"

#include "tests/e2e/support/WaitUntil.h"

TestProgram::TestProgram(const QString& program, const QStringList& args,
                         const QProcessEnvironment& env, ErrorOutput errors,
                         StandardOutput output) {
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(errors == ErrorOutput::Forward ? QProcess::ForwardedErrorChannel
                                                                  : QProcess::SeparateChannels);
    if (output == StandardOutput::Drop) {
        process_.setStandardOutputFile(QProcess::nullDevice());
    }
    process_.start(program, args);
    started_ = process_.waitForStarted(5000);
}

TestProgram::~TestProgram() {
    Stop(1000);
}

QByteArray TestProgram::ReadLine(int timeoutMs) {
    return ReadLineWithin(process_, timeoutMs);
}

std::uint32_t TestProgram::ReadAnnouncedWindow(int timeoutMs) {
    return ::ReadAnnouncedWindow(process_, timeoutMs);
}

void TestProgram::Write(const QByteArray& line) {
    process_.write(line + '\n');
    process_.waitForBytesWritten(1000);
}

QString TestProgram::Errors() {
    if (process_.processChannelMode() == QProcess::SeparateChannels) {
        errors_ += process_.readAllStandardError();
    }
    return QString::fromLocal8Bit(errors_);
}

std::optional<int> TestProgram::WaitForExit(int timeoutMs) {
    if (Running() && !process_.waitForFinished(timeoutMs)) {
        return std::nullopt;
    }
    Errors();
    if (process_.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return process_.exitCode();
}

void TestProgram::Stop(int timeoutMs) {
    if (!Running()) {
        return;
    }
    process_.terminate();
    if (!process_.waitForFinished(timeoutMs)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
    Errors();
}
