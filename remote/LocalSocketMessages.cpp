#include "remote/LocalSocketMessages.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QObject>

namespace {

QByteArray Line(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QJsonObject> Object(const QByteArray& line) {
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed());
    return document.isObject() ? std::optional(document.object()) : std::nullopt;
}

}  // namespace

QString LocalSocketName() {
#ifdef _WIN32
    const QString user = qEnvironmentVariable("USERNAME");
#else
    const QString user = qEnvironmentVariable("USER");
#endif
    return QStringLiteral("io.github.quillane.Vantrel-") + user;
}

QByteArray EncodeRequest(const RemoteRequest& request) {
    return Line({{QStringLiteral("command"), CommandName(request.command)},
                 {QStringLiteral("window"), request.window},
                 {QStringLiteral("display"), request.display},
                 {QStringLiteral("natural"), request.natural},
                 {QStringLiteral("keep"), request.keep},
                 {QStringLiteral("pointer"), request.pointer},
                 {QStringLiteral("mode"), LookModeText(request.look)},
                 {QStringLiteral("crop"), LookCropText(request.look)},
                 {QStringLiteral("transform"), LookTurnText(request.look)}});
}

std::optional<RemoteRequest> DecodeRequest(const QByteArray& line) {
    const auto object = Object(line);
    if (!object) {
        return std::nullopt;
    }
    const auto command = CommandFromName(object->value(QStringLiteral("command")).toString());
    if (!command) {
        return std::nullopt;
    }
    RemoteRequest request;
    request.command = *command;
    request.window = object->value(QStringLiteral("window")).toString();
    request.display = object->value(QStringLiteral("display")).toInt();
    request.natural = object->value(QStringLiteral("natural")).toBool();
    request.keep = object->value(QStringLiteral("keep")).toBool();
    request.pointer = object->value(QStringLiteral("pointer")).toBool(true);
    if (!ReadLook(object->value(QStringLiteral("mode")).toString(),
                  object->value(QStringLiteral("crop")).toString(),
                  object->value(QStringLiteral("transform")).toString(), request.look)
             .isEmpty()) {
        return std::nullopt;
    }
    return request;
}

QByteArray EncodeOutcome(const Outcome& outcome) {
    return Line(
        {{QStringLiteral("status"), outcome.status}, {QStringLiteral("message"), outcome.message}});
}

Outcome DecodeOutcome(const QByteArray& line) {
    const auto object = Object(line);
    if (!object || !object->value(QStringLiteral("status")).isDouble()) {
        return Outcome::Failed(QStringLiteral("the running copy gave an answer that is not one"));
    }
    const int status = object->value(QStringLiteral("status")).toInt();
    return {status == 0 ? 0 : 1, object->value(QStringLiteral("message")).toString()};
}

QByteArray AnswerRequestLine(RemoteTarget& target, const QByteArray& line, QObject* context) {
    const auto request = DecodeRequest(line);
    if (!request) {
        return EncodeOutcome(Outcome::Failed(QStringLiteral("not a request")));
    }
    if (request->command == RemoteCommand::Quit) {
        QMetaObject::invokeMethod(
            context, [&target] { target.Quit(); }, Qt::QueuedConnection);
        return EncodeOutcome(Outcome::Done());
    }
    return EncodeOutcome(Dispatch(target, *request));
}
