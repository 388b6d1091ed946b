// `cmake --install` of the build tree into a staging folder (DESTDIR) with a chosen prefix:
// the files land where a desktop looks for them, the settings file names the final data
// folder, and the desktop entry and the AppStream data pass their validators.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>

namespace {

const QString kSourceDir = QStringLiteral(VANTREL_SOURCE_DIR);
const QString kConfigDir = QStringLiteral(VANTREL_SYSTEM_CONFIG_DIR);

struct RunResult {
    int exitCode = -1;
    QString output;
};

RunResult RunTool(
    const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    RunResult result;
    if (!process.waitForStarted(10000)) {
        result.output = program + QStringLiteral(": ") + process.errorString();
        return result;
    }
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        result.output = program + QStringLiteral(": did not finish");
        return result;
    }
    result.output = QString::fromUtf8(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Installs the build tree under a fresh staging folder with the given prefix.
class InstalledTree : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(stage_.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), stage_.path());
        const RunResult result =
            RunTool(QStringLiteral(VANTREL_CMAKE_COMMAND),
                    {QStringLiteral("--install"), QStringLiteral(VANTREL_BUILD_DIR),
                     QStringLiteral("--prefix"), Prefix()},
                    environment);
        ASSERT_EQ(result.exitCode, 0) << result.output.toStdString();
    }

    QString Prefix() const { return QString::fromUtf8(GetParam()); }
    // The staged path of an installed absolute path.
    QString Staged(const QString& path) const { return stage_.path() + path; }
    QString InPrefix(const QString& relative) const {
        return Staged(Prefix() + QLatin1Char('/') + relative);
    }
    QString ConfigFile() const {
        return Staged(kConfigDir + QStringLiteral("/Quillane/Vantrel.conf"));
    }

    QTemporaryDir stage_;
};

TEST_P(InstalledTree, PutsEveryFileInItsPlaceAndNothingElse) {
    // Staged path -> source file whose bytes it must have (empty: not compared).
    std::map<QString, QString> expected = {
        {InPrefix(QStringLiteral("bin/vantrel")), QString()},
        {InPrefix(QStringLiteral("share/applications/vantrel.desktop")),
         kSourceDir + QStringLiteral("/packaging/vantrel.desktop")},
        {InPrefix(QStringLiteral("share/metainfo/io.github.quillane.Vantrel.metainfo.xml")),
         kSourceDir + QStringLiteral("/packaging/io.github.quillane.Vantrel.metainfo.xml")},
        {InPrefix(QStringLiteral("share/icons/hicolor/scalable/apps/vantrel.svg")),
         kSourceDir + QStringLiteral("/packaging/icons/vantrel.svg")},
        {ConfigFile(), QString()},
        {InPrefix(QStringLiteral("share/man/man1/vantrel.1.gz")), QString()},
        {InPrefix(QStringLiteral(VANTREL_BASH_COMPLETIONS_DIR "/vantrel")),
         kSourceDir + QStringLiteral("/packaging/completion/vantrel")},
        {InPrefix(QStringLiteral("share/doc/vantrel/copyright")),
         kSourceDir + QStringLiteral("/packaging/debian/copyright")},
        {InPrefix(QStringLiteral("share/doc/vantrel/changelog.Debian.gz")), QString()},
        {InPrefix(QStringLiteral("share/lintian/overrides/vantrel")),
         kSourceDir + QStringLiteral("/packaging/debian/lintian-overrides")},
    };
    const QDir messages(kSourceDir + QStringLiteral("/Messages"));
    const QStringList catalogs = messages.entryList({QStringLiteral("*.lcl")}, QDir::Files);
    ASSERT_FALSE(catalogs.isEmpty());
    for (const QString& name : catalogs) {
        expected[InPrefix(QStringLiteral("share/vantrel/Messages/") + name)] =
            messages.filePath(name);
    }
    const QDir icons(kSourceDir + QStringLiteral("/packaging/icons"));
    static const QRegularExpression pngName(QStringLiteral(R"(^vantrel-(\d+)\.png$)"));
    for (const QString& name : icons.entryList({QStringLiteral("vantrel-*.png")}, QDir::Files)) {
        const auto match = pngName.match(name);
        ASSERT_TRUE(match.hasMatch()) << name.toStdString();
        const QString size = match.captured(1);
        expected[InPrefix(QStringLiteral("share/icons/hicolor/%1x%1/apps/vantrel.png").arg(size))] =
            icons.filePath(name);
    }

    std::set<QString> installed;
    QDirIterator it(stage_.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        installed.insert(it.next());
    }
    std::set<QString> wanted;
    for (const auto& [path, source] : expected) {
        wanted.insert(path);
    }
    EXPECT_EQ(installed, wanted);

    for (const auto& [path, source] : expected) {
        if (!source.isEmpty()) {
            EXPECT_EQ(ReadAll(path), ReadAll(source)) << path.toStdString();
        }
    }
    EXPECT_TRUE(QFileInfo(InPrefix(QStringLiteral("bin/vantrel"))).isExecutable());
}

TEST_P(InstalledTree, SettingsFileNamesTheFinalDataFolder) {
    const QString dataDir = Prefix() + QStringLiteral("/share/vantrel");
    const QByteArray content = ReadAll(ConfigFile());
    ASSERT_TRUE(content.startsWith("[General]\n")) << content.toStdString();
    EXPECT_FALSE(content.contains(stage_.path().toUtf8())) << "names the staging folder";

    // The program reads it with QSettings' native format, which must give the path back
    // exactly, commas and blanks included.
    const QSettings settings(ConfigFile(), QSettings::NativeFormat);
    EXPECT_EQ(settings.status(), QSettings::NoError);
    EXPECT_EQ(settings.value(QStringLiteral("InstallPath")).toString(), dataDir);
    EXPECT_TRUE(QFileInfo(Staged(dataDir) + QStringLiteral("/Messages/0407.lcl")).isFile());
}

TEST_P(InstalledTree, DesktopEntryAndAppStreamDataValidate) {
    const QString desktopFile = InPrefix(QStringLiteral("share/applications/vantrel.desktop"));
    const RunResult desktop = RunTool(QStringLiteral("desktop-file-validate"), {desktopFile});
    EXPECT_EQ(desktop.exitCode, 0) << desktop.output.toStdString();
    EXPECT_TRUE(desktop.output.trimmed().isEmpty()) << desktop.output.toStdString();

    const RunResult metainfo = RunTool(
        QStringLiteral("appstreamcli"),
        {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--strict"),
         InPrefix(QStringLiteral("share/metainfo/io.github.quillane.Vantrel.metainfo.xml"))});
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.output.toStdString();
    // The whole tree: the metainfo's launchable must name the installed desktop entry.
    const RunResult tree =
        RunTool(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate-tree"), QStringLiteral("--no-net"), Staged(Prefix())});
    EXPECT_EQ(tree.exitCode, 0) << tree.output.toStdString();

    // The entry starts the installed program by name and shows the installed icon.
    const QString entry = QString::fromUtf8(ReadAll(desktopFile));
    EXPECT_TRUE(entry.contains(QRegularExpression(QStringLiteral("(?m)^Exec=vantrel$"))));
    EXPECT_TRUE(entry.contains(QRegularExpression(QStringLiteral("(?m)^Icon=vantrel$"))));
    // Its actions call the command line of the running copy.
    for (const char* exec : {"Exec=vantrel --identify", "Exec=vantrel --show"}) {
        EXPECT_TRUE(entry.contains(QRegularExpression(QStringLiteral("(?m)^%1$").arg(exec))))
            << exec;
    }
    EXPECT_TRUE(entry.contains(
        QRegularExpression(QStringLiteral("(?m)^Actions=identify-monitors;show;$"))));
}

INSTANTIATE_TEST_SUITE_P(Prefixes, InstalledTree, ::testing::Values("/usr", "/opt/Vantrel Test,1"),
                         [](const auto& info) {
                             return info.index == 0 ? std::string("Usr") : std::string("OddOpt");
                         });

}  // namespace
