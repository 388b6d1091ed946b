#include "clones/KeptStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

QJsonObject ToJson(const KeptClone& kept) {
    QJsonObject object{{QStringLiteral("instance"), kept.window.instance},
                       {QStringLiteral("class"), kept.window.windowClass},
                       {QStringLiteral("executable"), kept.window.executable},
                       {QStringLiteral("title"), kept.window.title},
                       {QStringLiteral("display"), kept.displayName},
                       {QStringLiteral("displayNumber"), static_cast<int>(kept.displayNumber) + 1},
                       {QStringLiteral("mode"), ModeName(kept.mode)},
                       {QStringLiteral("restoreToken"), kept.restoreToken}};
    if (!kept.crop.Whole()) {
        object.insert(QStringLiteral("crop"), CropText(kept.crop.rect));
        object.insert(QStringLiteral("cropOf"),
                      QStringLiteral("%1x%2").arg(kept.crop.of.width()).arg(kept.crop.of.height()));
    }
    if (kept.turn != ImageTurn::None) {
        object.insert(QStringLiteral("turn"), TurnName(kept.turn));
    }
    return object;
}

// The crop and turn, written only when set (version 1 had neither). True when both are
// absent or valid.
bool ReadLook(const QJsonObject& o, KeptClone& kept) {
    const QJsonValue crop = o.value(QStringLiteral("crop"));
    if (!crop.isUndefined()) {
        const auto rect = CropFromText(crop.toString());
        // The size it was chosen at, as a crop of that size at the origin.
        const auto of =
            CropFromText(o.value(QStringLiteral("cropOf")).toString() + QStringLiteral("+0+0"));
        if (!rect || !of) {
            return false;
        }
        kept.crop = {*rect, of->size()};
    }
    const QJsonValue turn = o.value(QStringLiteral("turn"));
    if (!turn.isUndefined()) {
        const auto named = TurnFromName(turn.toString());
        if (!named) {
            return false;
        }
        kept.turn = *named;
    }
    return true;
}

std::optional<KeptClone> FromJson(const QJsonValue& value) {
    const QJsonObject o = value.toObject();
    const int number = o.value(QStringLiteral("displayNumber")).toInt(0);
    const auto mode = ModeFromName(o.value(QStringLiteral("mode")).toString());
    KeptClone kept;
    if (!value.isObject() || number < 1 || !mode || !ReadLook(o, kept)) {
        return std::nullopt;
    }
    kept.window.instance = o.value(QStringLiteral("instance")).toString();
    kept.window.windowClass = o.value(QStringLiteral("class")).toString();
    kept.window.executable = o.value(QStringLiteral("executable")).toString();
    kept.window.title = o.value(QStringLiteral("title")).toString();
    kept.displayName = o.value(QStringLiteral("display")).toString();
    kept.displayNumber = static_cast<std::size_t>(number - 1);
    kept.mode = *mode;
    kept.restoreToken = o.value(QStringLiteral("restoreToken")).toString();
    return kept;
}

// The first of path+suffix, path+suffix+".2", ... that does not exist.
QString FreeName(const QString& path, const QString& suffix) {
    QString name = path + suffix;
    for (int n = 2; QFileInfo::exists(name); ++n) {
        name = path + suffix + u'.' + QString::number(n);
    }
    return name;
}

KeptLoad SetAside(const QString& path, const QString& suffix, const QString& why) {
    const QString aside = FreeName(path, suffix);
    if (!QFile::rename(path, aside)) {
        return {{},
                QStringLiteral("%1 %2; it could not be renamed, so nothing is kept this time")
                    .arg(path, why)};
    }
    return {
        {},
        QStringLiteral("%1 %2; it was renamed to %3 and nothing is kept").arg(path, why, aside)};
}

}  // namespace

QString KeptClonesPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/kept-clones.json");
}

KeptLoad LoadKeptClones(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return SetAside(path, QStringLiteral(".unreadable"),
                        QStringLiteral("cannot be read (%1)").arg(file.errorString()));
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    file.close();
    const QJsonObject root = document.object();
    const int version = root.value(QStringLiteral("version")).toInt(0);
    if (document.isObject() && version > kKeptClonesVersion) {
        return SetAside(path, QStringLiteral(".newer"),
                        QStringLiteral("is from a later version of Vantrel (%1)").arg(version));
    }
    KeptLoad load;
    const QJsonArray clones = root.value(QStringLiteral("clones")).toArray();
    bool valid = document.isObject() && version >= 1 && version <= kKeptClonesVersion &&
                 root.value(QStringLiteral("clones")).isArray();
    for (const QJsonValue& value : clones) {
        const auto kept = FromJson(value);
        valid = valid && kept.has_value();
        if (kept) {
            load.kept.push_back(*kept);
        }
    }
    if (!valid) {
        return SetAside(path, QStringLiteral(".unreadable"), QStringLiteral("is damaged"));
    }
    return load;
}

QString SaveKeptClones(const QString& path, const std::vector<KeptClone>& kept) {
    QJsonArray clones;
    for (const KeptClone& each : kept) {
        clones.append(ToJson(each));
    }
    const QJsonObject root{{QStringLiteral("version"), kKeptClonesVersion},
                           {QStringLiteral("clones"), clones}};
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return QStringLiteral("cannot make the folder of %1").arg(path);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Indented)) < 0 || !file.commit()) {
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    }
    return {};
}

namespace {

bool Holds(const std::vector<KeptClone>& list, const KeptClone& kept) {
    return std::find(list.begin(), list.end(), kept) != list.end();
}

// The records as the file holds them: without the window they are of in this run.
std::vector<KeptClone> AsSaved(std::vector<KeptClone> list) {
    for (KeptClone& each : list) {
        each.shownWindow = 0;
    }
    return list;
}

// How long a change waits for another copy's write; a write takes milliseconds.
constexpr int kLockWaitMs = 2000;

}  // namespace

KeptMerge MergeKeptClones(const QString& path, const std::vector<KeptClone>& baseInRun,
                          const std::vector<KeptClone>& keptInRun) {
    const std::vector<KeptClone> base = AsSaved(baseInRun);
    const std::vector<KeptClone> kept = AsSaved(keptInRun);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return {false, QStringLiteral("cannot make the folder of %1").arg(path)};
    }
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) {
        return {false,
                QStringLiteral("cannot write %1: another copy of Vantrel holds %1.lock").arg(path)};
    }
    KeptLoad now = LoadKeptClones(path);
    std::vector<KeptClone> merged;
    for (const KeptClone& each : now.kept) {
        if (Holds(kept, each) || !Holds(base, each)) {
            merged.push_back(each);
        }
    }
    // Only what this copy kept since: what another copy forgot meanwhile stays forgotten.
    for (const KeptClone& each : kept) {
        if (!Holds(base, each) && !Holds(merged, each)) {
            merged.push_back(each);
        }
    }
    const QString failed = SaveKeptClones(path, merged);
    return failed.isEmpty() ? KeptMerge{true, now.problem} : KeptMerge{false, failed};
}
