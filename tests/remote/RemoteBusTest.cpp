// The D-Bus service of a running copy (here a fake one in this process) on a private session
// bus, driven by the command line and by gdbus as separate processes.
#include <QDBusConnection>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "remote/DBusService.h"
#include "tests/remote/FakeTarget.h"
#include "tests/remote/RemoteTestSupport.h"

namespace {

const char* const kService = "io.github.quillane.Vantrel";
const char* const kPath = "/io/github/quillane/Vantrel";

class RemoteBusTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { bus_ = std::make_unique<PrivateBus>(); }
    static void TearDownTestSuite() { bus_.reset(); }

    void SetUp() override {
        ASSERT_FALSE(bus_->Address().isEmpty()) << bus_->Problem().toStdString();
        connectionName_ = QStringLiteral("copy-%1").arg(++connections_);
        service_ = std::make_unique<DBusService>(target_, bus_->Connect(connectionName_));
        ASSERT_TRUE(service_->Registered());
    }
    void TearDown() override {
        service_.reset();
        QDBusConnection::disconnectFromBus(connectionName_);
    }

    ProcessResult Vantrel(const QStringList& arguments) {
        return RunServing(QStringLiteral(REMOTE_CLI), arguments, bus_->Environment());
    }
    ProcessResult GDBus(const QStringList& arguments) {
        const QString gdbus = QStandardPaths::findExecutable(QStringLiteral("gdbus"));
        EXPECT_FALSE(gdbus.isEmpty()) << "gdbus (libglib2.0-bin) is not installed";
        return RunServing(gdbus, arguments, bus_->Environment());
    }
    ProcessResult Call(const QString& method, const QStringList& values = {}) {
        return GDBus(QStringList{QStringLiteral("call"), QStringLiteral("--session"),
                                 QStringLiteral("--dest"), QString::fromLatin1(kService),
                                 QStringLiteral("--object-path"), QString::fromLatin1(kPath),
                                 QStringLiteral("--method"),
                                 QStringLiteral("io.github.quillane.Vantrel1.") + method} +
                     values);
    }

    static std::unique_ptr<PrivateBus> bus_;
    static int connections_;
    FakeTarget target_{SampleDesktop()};
    QString connectionName_;
    std::unique_ptr<DBusService> service_;
};

std::unique_ptr<PrivateBus> RemoteBusTest::bus_;
int RemoteBusTest::connections_ = 0;

struct CommandCase {
    QStringList arguments;
    const char* call;  // what the running copy's main window is asked; empty for nothing
};

TEST_F(RemoteBusTest, EachCommandReachesTheRunningCopy) {
    const QList<CommandCase> cases = {
        {{"--clone", "xterm", "--display", "2"}, "Clone 0x1a00007 2 fit"},
        {{"--clone", "0x1c00003", "--display", "1", "--natural"}, "Clone 0x1c00003 1 natural"},
        {{"--release", "37748753", "--display", "1"}, "Release 0x2400011 1"},
        {{"--identify"}, "Identify"},
        {{"--show"}, "Show"},
        {{"--hide"}, "Hide"},
        {{"--pointer", "off"}, "SetPointer off"},
        {{"--pointer", "on"}, "SetPointer on"},
        // Already done: a second clone of the same window on the same display changes nothing.
        {{"--clone", "^xterm", "--display", "2"}, ""},
    };
    for (const CommandCase& c : cases) {
        const qsizetype before = target_.Calls().size();
        const ProcessResult result = Vantrel(c.arguments);
        ASSERT_TRUE(result.finished) << c.arguments.join(u' ').toStdString();
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
        const QStringList calls = target_.Calls().mid(before);
        EXPECT_EQ(calls, *c.call ? QStringList{QString::fromLatin1(c.call)} : QStringList())
            << c.arguments.join(u' ').toStdString();
    }
}

TEST_F(RemoteBusTest, ListPrintsTheWindowsWithTheirClonesAndTheDisplays) {
    ASSERT_EQ(Vantrel({"--clone", "UXTerm", "--display", "2"}).exitCode, 0);
    const ProcessResult result = Vantrel({"--list"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.toStdString(),
              "window\t0x1a00007\t-\txterm - bash\n"
              "window\t0x1c00003\t2\tUXTerm\n"
              "window\t0x2400011\t1\tEditor: notes.txt\n"
              "display\t1\tDP-1\t1920x1080+0+0\n"
              "display\t2\tHDMI-1\t1280x1024-1280+200\n");
}

struct FailureCase {
    QStringList arguments;
    int exitCode;
    QStringList says;
};

TEST_F(RemoteBusTest, FailuresAndBadUsageSayWhyAndChangeNothing) {
    target_.FailIdentify(QStringLiteral("the displays cannot be numbered"));
    const QList<FailureCase> cases = {
        {{"--clone", "erm", "--display", "1"},
         1,
         {"matches 2 windows", "0x1a00007\txterm - bash", "0x1c00003\tUXTerm"}},
        {{"--release", "Firefox", "--display", "1"}, 1, {"no window", "Firefox"}},
        {{"--clone", "xterm", "--display", "3"}, 1, {"no display 3"}},
        {{"--clone", "(", "--display", "1"}, 1, {"regular expression"}},
        {{"--clone", "xterm"}, 2, {"need --display", "--help"}},
        {{"--show", "--hide"}, 2, {"one command at a time"}},
        {{"--pointer", "maybe"}, 2, {"on or off"}},
        {{"--bogus"}, 2, {"bogus"}},
    };
    for (const FailureCase& c : cases) {
        const ProcessResult result = Vantrel(c.arguments);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(u' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        for (const QString& text : c.says) {
            EXPECT_TRUE(result.err.contains(text)) << result.err.toStdString();
        }
    }
    EXPECT_TRUE(target_.Calls().isEmpty()) << target_.Calls().join(u',').toStdString();
    const ProcessResult failed = Vantrel({"--identify"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err, QStringLiteral("vantrel: the displays cannot be numbered\n"));
}

TEST_F(RemoteBusTest, HelpAndVersionNeedNoCopy) {
    const ProcessResult help = Vantrel({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--clone WINDOW")));
    const ProcessResult version = Vantrel({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("vantrel 1."))) << version.out.toStdString();
    EXPECT_TRUE(target_.Calls().isEmpty());
}

TEST_F(RemoteBusTest, QuitIsAnsweredThenCarriedOut) {
    const ProcessResult result = Vantrel({"--quit"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(target_.Calls(), QStringList{QStringLiteral("Quit")});
}

TEST_F(RemoteBusTest, ASecondStartShowsTheRunningCopy) {
    const ProcessResult result = Vantrel({});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(target_.Calls(), QStringList{QStringLiteral("Show")});
}

TEST_F(RemoteBusTest, GDBusSeesTheInterface) {
    const ProcessResult result =
        GDBus({"introspect", "--session", "--dest", kService, "--object-path", kPath});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    for (const char* text :
         {"interface io.github.quillane.Vantrel1", "List(out s listing);", "Clone(in  s window,",
          "in  i display,", "in  b natural);", "Release(in  s window,", "Identify();", "Show();",
          "Hide();", "Quit();", "SetPointer(in  b visible);"}) {
        EXPECT_TRUE(result.out.contains(QString::fromLatin1(text))) << text;
    }
}

TEST_F(RemoteBusTest, GDBusCallsTheMethods) {
    EXPECT_EQ(Call(QStringLiteral("Clone"), {"xterm", "2", "true"}).exitCode, 0);
    EXPECT_EQ(Call(QStringLiteral("SetPointer"), {"false"}).exitCode, 0);
    EXPECT_EQ(Call(QStringLiteral("Show")).exitCode, 0);
    EXPECT_EQ(target_.Calls(),
              (QStringList{"Clone 0x1a00007 2 natural", "SetPointer off", "Show"}));
    const ProcessResult list = Call(QStringLiteral("List"));
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.out.contains(QStringLiteral("window\\t0x1a00007\\t2\\txterm - bash\\n")))
        << list.out.toStdString();
    const ProcessResult ambiguous = Call(QStringLiteral("Release"), {"erm", "1"});
    EXPECT_NE(ambiguous.exitCode, 0);
    EXPECT_TRUE(ambiguous.err.contains(QStringLiteral("io.github.quillane.Vantrel1.Error.Failed")))
        << ambiguous.err.toStdString();
    EXPECT_TRUE(ambiguous.err.contains(QStringLiteral("matches 2 windows")));
    // Refused unread when over 4096 characters; quoted by its start otherwise.
    const QString invalid = QStringLiteral("(") + QString(3000, u'a');
    for (const auto& [pattern, says] :
         {std::pair{QString(20000, u'x'), QStringLiteral("20000 characters, at most 4096")},
          std::pair{invalid, QStringLiteral("\"") + invalid.left(60) + QStringLiteral("\"...")}}) {
        const ProcessResult refused = Call(QStringLiteral("Clone"), {pattern, "1", "false"});
        EXPECT_NE(refused.exitCode, 0);
        EXPECT_TRUE(refused.err.contains(says)) << refused.err.toStdString();
        EXPECT_LT(refused.err.size(), 500);
    }
    EXPECT_EQ(target_.Calls().size(), 3);
}

}  // namespace
