#include "remote/PipeService.h"

#include "platform/win32/Win32Pipe.h"
#include "remote/LocalSocketMessages.h"

PipeService::PipeService(RemoteTarget& target, const QString& name) : target_(target) {
    server_ = PipeServer::Listen(
        name, [this](const QByteArray& line) { return AnswerRequestLine(target_, line, this); });
}

PipeService::~PipeService() = default;

QString RemotePipeName() {
    return UserPipeName(QStringLiteral("vantrel"));
}
