// Scripting the real program on a private X server and a private session bus: every
// command line action against a running copy with real windows, a second start, and a
// command that starts the copy itself.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/e2e/support/XClient.h"
#include "tests/remote/RemoteTestSupport.h"

namespace {

constexpr int kWaitMs = 15000;
const QRect kDisplay2(1280, 0, 1920, 1080);

// Two monitors under openbox, which iconifies the main window when it is hidden with no
// notification area to hide in.
DesktopOptions Desktop() {
    DesktopOptions options;
    options.monitors = {{0, 0, 1280, 1024, true}, {1280, 0, 1920, 1080, false}};
    options.windowManager = WindowManager::Openbox;
    return options;
}

class RemoteProgramTest : public ::testing::Test {
  protected:
    explicit RemoteProgramTest(const DesktopOptions& options = Desktop()) : desktop_(options) {}
    void SetUp() override {
        ASSERT_TRUE(desktop_.Ready()) << desktop_.Failure();
        ASSERT_FALSE(bus_.Address().isEmpty()) << bus_.Problem().toStdString();
        ASSERT_TRUE(home_.isValid());
        environment_ = desktop_.Environment();
        environment_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus_.Address());
        environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.path());
        environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath("config"));
        environment_.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        watcher_ = bus_.Connect(QStringLiteral("program-watcher"));
    }
    void TearDown() override {
        if (CopyRunning()) {
            Vantrel({QStringLiteral("--quit")});
            WaitUntil([this] { return !CopyRunning(); }, kWaitMs);
        }
        for (auto& client : clients_) {
            client->kill();
            client->waitForFinished(5000);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("program-watcher"));
    }

    bool CopyRunning() const {
        return watcher_.interface()
            ->isServiceRegistered(QStringLiteral("io.github.quillane.Vantrel"))
            .value();
    }
    ProcessResult Vantrel(const QStringList& arguments) {
        return RunServing(QStringLiteral(VANTREL_BINARY), arguments, environment_);
    }
    // The copy has ended: already seen to (a command's event loop may have taken its end in),
    // or within the wait. waitForFinished alone is false for a process already finished.
    bool CopyEnded() {
        return copy_.state() == QProcess::NotRunning || copy_.waitForFinished(kWaitMs);
    }
    // Starts the program without arguments and waits until it answers scripts.
    void StartCopy() {
        copy_.setProcessEnvironment(environment_);
        copy_.start(QStringLiteral(VANTREL_BINARY), {});
        ASSERT_TRUE(WaitUntil([this] { return CopyRunning(); }, kWaitMs));
    }
    // A colour client titled title; returns its window.
    std::uint32_t Client(const QString& title) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(desktop_.Environment());
        process->start(QStringLiteral(VANTREL_COLOUR_CLIENT), {QStringLiteral("--title"), title});
        const std::uint32_t window = ReadAnnouncedWindow(*process, kWaitMs);
        clients_.push_back(std::move(process));
        return window;
    }
    // A colour client that names its process (_NET_WM_PID) as programs do, so that a kept
    // clone can know its program again.
    std::uint32_t ProgramClient(const QString& title) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(desktop_.Environment());
        process->start(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("exec \"$0\" --title \"$1\" --pid $$"),
                        QStringLiteral(VANTREL_COLOUR_CLIENT), title});
        const std::uint32_t window = ReadAnnouncedWindow(*process, kWaitMs);
        clients_.push_back(std::move(process));
        return window;
    }
    // A viewable top-level window that covers display 2 exactly: the clone.
    bool CloneOnDisplay2() {
        for (const std::uint32_t window : x_.RootChildren()) {
            if (x_.IsViewable(window) && x_.Geometry(window) == kDisplay2) {
                return true;
            }
        }
        return false;
    }
    bool MainWindowShown() {
        return !x_.FindViewableWindowsByTitle(QStringLiteral("Quillane Vantrel")).empty();
    }

    TestDesktop desktop_;
    XClient& x_ = desktop_.X();
    PrivateBus bus_;
    QTemporaryDir home_;
    QProcessEnvironment environment_;
    QDBusConnection watcher_{QString()};
    QProcess copy_;
    std::vector<std::unique_ptr<QProcess>> clients_;
};

TEST_F(RemoteProgramTest, CommandsDriveTheRunningCopy) {
    const std::uint32_t first = Client(QStringLiteral("Colour A"));
    Client(QStringLiteral("Colour B"));
    // Longer than a row shows: printed and matched whole.
    QString longTitle;
    for (int i = 0; longTitle.size() < 600; ++i) {
        longTitle += QStringLiteral("part %1 ").arg(i);
    }
    longTitle += QStringLiteral("END");
    const std::uint32_t longWindow = Client(longTitle);
    ASSERT_NE(first, 0u);
    ASSERT_NE(longWindow, 0u);
    ASSERT_NO_FATAL_FAILURE(StartCopy());

    const QString id = QStringLiteral("0x") + QString::number(first, 16);
    ASSERT_TRUE(WaitUntil(
        [&] { return Vantrel({QStringLiteral("--list")}).out.contains(id + u'\t'); }, kWaitMs));
    const ProcessResult list = Vantrel({QStringLiteral("--list")});
    EXPECT_TRUE(
        list.out.contains(QStringLiteral("window\t") + id + QStringLiteral("\t-\tColour A\n")));
    EXPECT_TRUE(list.out.contains(QStringLiteral("display\t2\t")));
    EXPECT_TRUE(list.out.contains(QStringLiteral("window\t0x") + QString::number(longWindow, 16) +
                                  QStringLiteral("\t-\t") + longTitle + u'\n'));
    const ProcessResult wholeTitle = Vantrel({QStringLiteral("--release"), QStringLiteral("END$"),
                                              QStringLiteral("--display"), QStringLiteral("2")});
    EXPECT_EQ(wholeTitle.exitCode, 0) << wholeTitle.err.toStdString();

    const ProcessResult ambiguous = Vantrel({QStringLiteral("--clone"), QStringLiteral("Colour"),
                                             QStringLiteral("--display"), QStringLiteral("2")});
    EXPECT_EQ(ambiguous.exitCode, 1);
    EXPECT_TRUE(ambiguous.err.contains(QStringLiteral("matches 2 windows")));
    EXPECT_EQ(Vantrel({QStringLiteral("--clone"), QStringLiteral("nothing"),
                       QStringLiteral("--display"), QStringLiteral("2")})
                  .exitCode,
              1);
    EXPECT_EQ(Vantrel({QStringLiteral("--clone"), QStringLiteral("A$")}).exitCode, 2);

    EXPECT_EQ(Vantrel({QStringLiteral("--clone"), QStringLiteral("A$"), QStringLiteral("--display"),
                       QStringLiteral("2")})
                  .exitCode,
              0);
    EXPECT_TRUE(WaitUntil([this] { return CloneOnDisplay2(); }, kWaitMs));
    EXPECT_TRUE(Vantrel({QStringLiteral("--list")})
                    .out.contains(QStringLiteral("window\t") + id + QStringLiteral("\t2\t")));
    EXPECT_EQ(
        Vantrel({QStringLiteral("--release"), id, QStringLiteral("--display"), QStringLiteral("2")})
            .exitCode,
        0);
    EXPECT_TRUE(WaitUntil([this] { return !CloneOnDisplay2(); }, kWaitMs));

    EXPECT_EQ(Vantrel({QStringLiteral("--identify")}).exitCode, 0);
    EXPECT_EQ(Vantrel({QStringLiteral("--pointer"), QStringLiteral("off")}).exitCode, 0);
    EXPECT_EQ(Vantrel({QStringLiteral("--hide")}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([this] { return !MainWindowShown(); }, kWaitMs));
    // A second start brings the window back and ends; the copy runs on.
    const ProcessResult secondStart = Vantrel({});
    EXPECT_EQ(secondStart.exitCode, 0);
    EXPECT_TRUE(WaitUntil([this] { return MainWindowShown(); }, kWaitMs));
    EXPECT_EQ(copy_.state(), QProcess::Running);

    EXPECT_EQ(Vantrel({QStringLiteral("--quit")}).exitCode, 0);
    EXPECT_TRUE(CopyEnded());
    EXPECT_EQ(copy_.exitCode(), 0);
}

// A kept clone survives the program's restart, its window's restart and its monitor's
// unplugging; --forget ends it.
TEST_F(RemoteProgramTest, AKeptCloneComesBackUntilItIsForgotten) {
    ASSERT_NE(ProgramClient(QStringLiteral("Slides deck")), 0u);
    ASSERT_NO_FATAL_FAILURE(StartCopy());
    const QStringList keep{QStringLiteral("--clone"), QStringLiteral("deck"),
                           QStringLiteral("--display"), QStringLiteral("2"),
                           QStringLiteral("--keep")};
    ASSERT_TRUE(WaitUntil([&] { return Vantrel(keep).exitCode == 0; }, kWaitMs));
    ASSERT_TRUE(WaitUntil([this] { return CloneOnDisplay2(); }, kWaitMs));
    const QString listing = Vantrel({QStringLiteral("--list")}).out;
    EXPECT_TRUE(listing.contains(QStringLiteral("\t2k\tSlides deck\n"))) << listing.toStdString();

    EXPECT_EQ(Vantrel({QStringLiteral("--quit")}).exitCode, 0);
    ASSERT_TRUE(CopyEnded());
    ASSERT_TRUE(WaitUntil([this] { return !CloneOnDisplay2(); }, kWaitMs));
    ASSERT_NO_FATAL_FAILURE(StartCopy());
    EXPECT_TRUE(WaitUntil([this] { return CloneOnDisplay2(); }, kWaitMs)) << "after a restart";

    clients_.back()->kill();
    clients_.back()->waitForFinished(kWaitMs);
    ASSERT_TRUE(WaitUntil([this] { return !CloneOnDisplay2(); }, kWaitMs));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Vantrel({QStringLiteral("--list")})
                .out.contains(QStringLiteral("kept\t2\tSlides deck\tfit\t-\tnone\n"));
        },
        kWaitMs));
    ProgramClient(QStringLiteral("Slides deck"));
    EXPECT_TRUE(WaitUntil([this] { return CloneOnDisplay2(); }, kWaitMs)) << "window restarted";

    const std::string projector = desktop_.Server().MonitorName(1);
    ASSERT_TRUE(desktop_.Server().RemoveMonitor(1));
    ASSERT_TRUE(WaitUntil([this] { return !CloneOnDisplay2(); }, kWaitMs));
    ASSERT_TRUE(desktop_.Server().AddMonitor({1280, 0, 1920, 1080, false}, projector));
    // Open again on it; where the window manager first puts a window on a monitor it may
    // not know yet is the placement scenes' business.
    EXPECT_TRUE(WaitUntil(
        [&] {
            return Vantrel({QStringLiteral("--list")})
                .out.contains(QStringLiteral("\t2k\tSlides deck\n"));
        },
        kWaitMs))
        << "monitor back";

    EXPECT_EQ(Vantrel({QStringLiteral("--forget"), QStringLiteral("deck"),
                       QStringLiteral("--display"), QStringLiteral("2")})
                  .exitCode,
              0);
    EXPECT_TRUE(WaitUntil([this] { return !CloneOnDisplay2(); }, kWaitMs));
    EXPECT_FALSE(Vantrel({QStringLiteral("--list")}).out.contains(QStringLiteral("kept")));
}

// A settings file that cannot be used is renamed, one line says so, and nothing is kept.
TEST_F(RemoteProgramTest, AnUnusableKeptClonesFileIsSetAside) {
    Client(QStringLiteral("Slides deck"));
    const QString path = home_.filePath("config/vantrel/kept-clones.json");
    const QByteArray clone =
        R"({"class": "", "instance": "", "executable": "", "title": "Slides deck",
            "display": "", "displayNumber": 2, "mode": "fit"})";
    const std::vector<std::pair<QByteArray, QString>> files{
        {"{\"version\": 1, \"clones\": [" + clone, QStringLiteral(".unreadable")},
        {"{\"version\": 99, \"clones\": [" + clone + "]}", QStringLiteral(".newer")}};
    for (const auto& [content, suffix] : files) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        ASSERT_NO_FATAL_FAILURE(StartCopy());
        EXPECT_TRUE(WaitUntil(
            [&] {
                return Vantrel({QStringLiteral("--list")})
                    .out.contains(QStringLiteral("Slides deck"));
            },
            kWaitMs));
        EXPECT_FALSE(CloneOnDisplay2());
        EXPECT_EQ(Vantrel({QStringLiteral("--quit")}).exitCode, 0);
        ASSERT_TRUE(CopyEnded());
        const QStringList lines =
            QString::fromLocal8Bit(copy_.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines.filter(QStringLiteral("kept-clones.json")).size(), 1)
            << suffix.toStdString();
        QFile aside(path + suffix);
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly)) << suffix.toStdString();
        EXPECT_EQ(aside.readAll(), content);
        aside.remove();
    }
}

TEST_F(RemoteProgramTest, WithoutACopyListFailsAndOtherCommandsStartOne) {
    const ProcessResult list = Vantrel({QStringLiteral("--list")});
    EXPECT_EQ(list.exitCode, 1);
    EXPECT_TRUE(list.err.contains(QStringLiteral("no copy of Vantrel is running")));
    EXPECT_EQ(Vantrel({QStringLiteral("--show")}).exitCode, 0);
    EXPECT_TRUE(CopyRunning());
    EXPECT_TRUE(WaitUntil([this] { return MainWindowShown(); }, kWaitMs));
}

// An X server without Composite: the copy says why it cannot run in its box and on standard
// error, commands fail with that reason at once (also the one that had to start the copy),
// and ending it (--quit, as OK does) is a failure too.
class RemoteRefusalTest : public RemoteProgramTest {
  protected:
    RemoteRefusalTest() : RemoteProgramTest(WithoutComposite()) {}
    static DesktopOptions WithoutComposite() {
        DesktopOptions options = Desktop();
        options.composite = false;
        return options;
    }
    // The command fails saying what is missing, without waiting out the copy's start (15 s)
    // or a call (25 s). The bound leaves room for a copy started under the sanitizers on a
    // busy machine.
    void ExpectRefused(const QStringList& arguments) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        QElapsedTimer clock;
        clock.start();
        const ProcessResult result = Vantrel(arguments);
        EXPECT_LT(clock.elapsed(), 12000);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.err.startsWith(QStringLiteral("vantrel: Vantrel needs the X server")) &&
                    result.err.contains(QStringLiteral("Missing: Composite")))
            << result.err.toStdString();
    }
};

TEST_F(RemoteRefusalTest, CommandsFailAtOnceWithTheReason) {
    // No copy runs: the one the command starts cannot run here.
    ExpectRefused({QStringLiteral("--clone"), QStringLiteral("1"), QStringLiteral("--display"),
                   QStringLiteral("1")});
    EXPECT_TRUE(CopyRunning()) << "the started copy shows its message";
    ExpectRefused({QStringLiteral("--list")});
    ExpectRefused({QStringLiteral("--show")});
    EXPECT_EQ(Vantrel({QStringLiteral("--quit")}).exitCode, 0);
    EXPECT_TRUE(WaitUntil([this] { return !CopyRunning(); }, kWaitMs));

    // A copy started by hand says it on standard error as well, and ends with 0.
    copy_.setProcessEnvironment(environment_);
    copy_.start(QStringLiteral(VANTREL_BINARY), {});
    ASSERT_TRUE(WaitUntil([this] { return CopyRunning(); }, kWaitMs));
    ExpectRefused({QStringLiteral("--list")});
    EXPECT_EQ(Vantrel({QStringLiteral("--quit")}).exitCode, 0);
    ASSERT_TRUE(CopyEnded());
    EXPECT_EQ(copy_.exitCode(), 0);
    EXPECT_TRUE(copy_.readAllStandardError().contains("vantrel: Vantrel needs the X server"));
}

}  // namespace
