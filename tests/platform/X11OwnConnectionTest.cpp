// A connection the program opens beside Qt's: its events reach its own handlers from the
// event loop, including those xcb took in while it waited for a reply, and a connection the
// server has closed neither crashes the program nor keeps its event loop awake.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/x11/connection/X11Context.h"
#include "tests/e2e/support/WaitUntil.h"
#include "tests/platform/X11TestSession.h"

namespace {

class X11OwnConnectionTest : public X11SessionTest {
  protected:
    void SetUp() override {
        X11SessionTest::SetUp();
        qt_ = X11Context::OnToolkitConnection();
        ASSERT_NE(qt_, nullptr);
        own_ = X11Context::OpenBeside(*qt_);
        ASSERT_NE(own_, nullptr);
        handler_ = own_->AddEventHandler([this](xcb_generic_event_t* e) {
            if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                reinterpret_cast<xcb_property_notify_event_t*>(e)->window == watched_) {
                ++seen_;
            }
            return false;
        });
    }
    void TearDown() override {
        own_.reset();
        qt_.reset();
        X11SessionTest::TearDown();
    }
    // A window of the desktop whose property changes the own connection is told of.
    void Watch() {
        watched_ = s_->CreateTitled("Watched");
        own_->AddEventMask(watched_, XCB_EVENT_MASK_PROPERTY_CHANGE);
        // The mask is only sent; the other client's change must come after the server
        // applied it, or no event is made for it.
        own_->RoundTrip();
    }
    // Another client changes the property; the server has sent the event on return.
    void ChangeProperty(const char* value) {
        s_->SetProperty(watched_, "VANTREL_TEST", "STRING", 8, value, 1);
        s_->Client().Sync();
    }
    // Wake-ups of the event loop while it runs for ms with nothing to do.
    static int WakeUpsWithin(int ms) {
        int wakeUps = 0;
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        auto counter = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake,
                                        [&wakeUps] { ++wakeUps; });
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(counter);
        return wakeUps;
    }

    // Qt's connection, and the one beside it (which refers to Qt's, so it goes first).
    std::unique_ptr<X11Context> qt_;
    std::unique_ptr<X11Context> own_;
    int handler_ = 0;
    xcb_window_t watched_ = 0;
    int seen_ = 0;
};

TEST_F(X11OwnConnectionTest, EventsReachTheHandlersOfTheConnectionTheyCameOn) {
    Watch();
    EXPECT_NE(xcb_get_setup(own_->Connection())->resource_id_base,
              xcb_get_setup(qt_->Connection())->resource_id_base);
    int seenOnQts = 0;
    const int qtHandler = qt_->AddEventHandler([&](xcb_generic_event_t* e) {
        seenOnQts += (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                     reinterpret_cast<xcb_property_notify_event_t*>(e)->window == watched_;
        return false;
    });
    ChangeProperty("a");
    EXPECT_TRUE(WaitUntil([&] { return seen_ == 1; }, 5000));
    ChangeProperty("b");
    EXPECT_TRUE(WaitUntil([&] { return seen_ == 2; }, 5000));
    qt_->RemoveEventHandler(qtHandler);
    // Qt's connection never asked for them.
    EXPECT_EQ(seenOnQts, 0);
    // Qt's windows count as the program's on the connection beside it; others' do not.
    QWindow qtWindow;
    EXPECT_TRUE(own_->IsOwnResource(static_cast<std::uint32_t>(qtWindow.winId())));
    EXPECT_FALSE(own_->IsOwnResource(watched_));
}

// xcb reads the socket while it waits for a reply: an event that came meanwhile sits in
// xcb's queue where no socket notifier sees it. It must still reach the handler without
// any further traffic from the server.
TEST_F(X11OwnConnectionTest, EventsTakenInDuringARoundTripAreHandedOut) {
    Watch();
    struct Case {
        const char* how;
        void (*wait)(X11Context&);
    };
    const Case cases[] = {
        {"RoundTrip", [](X11Context& c) { c.RoundTrip(); }},
        {"a reply, then Flush",
         [](X11Context& c) {
             xcb_connection_t* x = c.Connection();
             std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
             c.Flush();
         }},
    };
    for (const Case& test : cases) {
        const int before = seen_;
        ChangeProperty("x");
        test.wait(*own_);
        EXPECT_TRUE(WaitUntil([&] { return seen_ == before + 1; }, 5000)) << test.how;
    }
}

// The server closes the connection (another client kills it): requests become no-ops, the
// program goes on, and the dead socket does not wake the event loop over and over.
TEST_F(X11OwnConnectionTest, AClosedConnectionLeavesTheEventLoopAtRest) {
    Watch();
    // The server kills a client by naming one of its resources: a window of the connection.
    xcb_connection_t* c = own_->Connection();
    const xcb_window_t mine = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, mine, own_->Root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    own_->RoundTrip();
    xcb_kill_client(s_->Connection(), mine);
    s_->Client().Sync();
    ASSERT_TRUE(WaitUntil([&] { return !own_->ConnectionUsable(); }, 5000));
    own_->AddEventMask(watched_, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    own_->Flush();
    own_->RoundTrip();
    // A spinning notifier wakes the loop thousands of times in this time.
    EXPECT_LT(WakeUpsWithin(300), 30);
    EXPECT_TRUE(qt_->ConnectionUsable());
}

}  // namespace
