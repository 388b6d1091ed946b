// Cost of one idle refresh with the X11 backend against real windows on a private Xvfb:
// 10, 100 and 1000 plain windows made by the bench on its own X connection.
//
// X traffic is counted by wrapping libxcb's entry points in this executable (they take
// precedence over the library's, also for calls from inside libxcb and its extension
// libraries), only for the program's connection (Qt's, which the backend uses), only on the
// main thread and only while a refresh runs:
// - requests: every request sent goes through xcb_send_request_with_fds64;
// - replies waited for: xcb_wait_for_reply, xcb_wait_for_reply64 and xcb_request_check;
// - round trips: a wait for a request that was sent after the last round trip began starts
//   a new one, since each wait flushes every request sent so far and their replies come
//   back together. Requests sent in a batch and then waited for cost one round trip.
#include "bench/refresh_bench_x11.h"

#include <dlfcn.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/creation_counter.h"
#include "l10n/Session.h"
#include "mainwindow/MainForm.h"
#include "platform/Platform.h"
#include "platform/x11/X11Platform.h"
#include "tests/e2e/support/TestDesktop.h"
#include "tests/e2e/support/XcbUtil.h"

namespace {

struct XTraffic {
    long requests = 0;
    long replyWaits = 0;
    long roundTrips = 0;
};

xcb_connection_t* gCounted = nullptr;
std::thread::id gMainThread;
std::atomic<bool> gCounting{false};
XTraffic gTraffic;
std::uint64_t gLastSent = 0;
std::uint64_t gTripCovers = 0;

bool Counts(xcb_connection_t* c) {
    return gCounting.load(std::memory_order_relaxed) && c == gCounted &&
           std::this_thread::get_id() == gMainThread;
}

// A 32-bit sequence widened next to the last request sent.
std::uint64_t Widen(unsigned int request) {
    std::uint64_t full = (gLastSent & ~std::uint64_t{0xffffffff}) | request;
    if (full > gLastSent && full >= (std::uint64_t{1} << 32)) {
        full -= std::uint64_t{1} << 32;
    }
    return full;
}

void CountWait(std::uint64_t request) {
    ++gTraffic.replyWaits;
    if (request > gTripCovers) {
        ++gTraffic.roundTrips;
        gTripCovers = gLastSent;
    }
}

template <typename F>
F Real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

std::uint64_t xcb_send_request_with_fds64(xcb_connection_t* c, int flags, struct iovec* vector,
                                          const xcb_protocol_request_t* request,
                                          unsigned int num_fds, int* fds) {
    using Fn = std::uint64_t (*)(xcb_connection_t*, int, iovec*, const xcb_protocol_request_t*,
                                 unsigned int, int*);
    static const Fn real = Real<Fn>("xcb_send_request_with_fds64");
    const std::uint64_t sequence = real(c, flags, vector, request, num_fds, fds);
    if (Counts(c)) {
        ++gTraffic.requests;
        gLastSent = sequence;
    }
    return sequence;
}

void* xcb_wait_for_reply(xcb_connection_t* c, unsigned int request, xcb_generic_error_t** e) {
    using Fn = void* (*)(xcb_connection_t*, unsigned int, xcb_generic_error_t**);
    static const Fn real = Real<Fn>("xcb_wait_for_reply");
    if (Counts(c)) {
        CountWait(Widen(request));
    }
    return real(c, request, e);
}

void* xcb_wait_for_reply64(xcb_connection_t* c, std::uint64_t request, xcb_generic_error_t** e) {
    using Fn = void* (*)(xcb_connection_t*, std::uint64_t, xcb_generic_error_t**);
    static const Fn real = Real<Fn>("xcb_wait_for_reply64");
    if (Counts(c)) {
        CountWait(request);
    }
    return real(c, request, e);
}

xcb_generic_error_t* xcb_request_check(xcb_connection_t* c, xcb_void_cookie_t cookie) {
    using Fn = xcb_generic_error_t* (*)(xcb_connection_t*, xcb_void_cookie_t);
    static const Fn real = Real<Fn>("xcb_request_check");
    if (Counts(c)) {
        CountWait(Widen(cookie.sequence));
    }
    return real(c, cookie);
}

}  // extern "C"

namespace {

// Plain top-level windows with titles, made on the bench's own connection.
class WindowMaker {
  public:
    WindowMaker() {
        const XcbScreenConnection x = ConnectToScreen(nullptr);
        connection_ = x.connection;
        screen_ = x.screen;
        if (connection_ != nullptr) {
            netWmName_ = InternAtom(connection_, "_NET_WM_NAME");
            utf8_ = InternAtom(connection_, "UTF8_STRING");
        }
    }
    ~WindowMaker() {
        if (connection_ != nullptr) {
            xcb_disconnect(connection_);
        }
    }
    WindowMaker(const WindowMaker&) = delete;
    WindowMaker& operator=(const WindowMaker&) = delete;

    bool Ok() const { return connection_ != nullptr; }

    xcb_window_t Make(const std::string& title) {
        const xcb_window_t w = xcb_generate_id(connection_);
        const auto n = static_cast<std::int16_t>(made_++ % 200);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, w, screen_->root, n, n, 120, 40, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        SetTitle(w, title);
        xcb_map_window(connection_, w);
        return w;
    }

    void SetTitle(xcb_window_t w, const std::string& title) {
        SetWindowTitle(connection_, w, netWmName_, utf8_, title);
    }

    void Destroy(xcb_window_t w) { xcb_destroy_window(connection_, w); }

    // Waits until the server has handled everything sent so far.
    void Sync() { SyncConnection(connection_); }

  private:
    xcb_connection_t* connection_;
    xcb_screen_t* screen_ = nullptr;
    xcb_atom_t netWmName_ = 0;
    xcb_atom_t utf8_ = 0;
    int made_ = 0;
};

// Lets the program see what the bench's connection changed, outside the measurement.
void Settle(WindowMaker& maker) {
    maker.Sync();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void Measure(const char* what, int windows, TMainForm& form, WindowMaker& maker, int rounds,
             const std::function<void(int)>& change) {
    CreationCounter counter(form.RowHost());
    QElapsedTimer clock;
    qint64 total = 0;
    gTraffic = XTraffic{};
    for (int i = 0; i < rounds; ++i) {
        change(i);
        Settle(maker);
        gTripCovers = gLastSent;
        gCounting = true;
        clock.start();
        form.ApplicationIdle();
        total += clock.nsecsElapsed();
        gCounting = false;
        QCoreApplication::sendPostedEvents();
    }
    const double n = rounds;
    std::printf(
        "X11 %-20s %5d windows: %9.1f us, %6.1f requests, %6.1f replies waited for, %5.2f "
        "round trips, %5.2f widgets created per refresh\n",
        what, windows, static_cast<double>(total) / n / 1000.0, gTraffic.requests / n,
        gTraffic.replyWaits / n, gTraffic.roundTrips / n, counter.created / n);
}

void Run(int windows, WindowMaker& maker, const Session& session, Platform& platform) {
    std::vector<xcb_window_t> handles;
    for (int i = 0; i < windows; ++i) {
        handles.push_back(maker.Make("Window number " + std::to_string(i)));
    }
    maker.Sync();
    TMainForm form(session, platform);
    form.show();
    Settle(maker);
    if (form.Rows().size() != static_cast<std::size_t>(windows)) {
        std::printf("X11 %d windows: the list has %zu rows\n", windows, form.Rows().size());
    }
    const int rounds = windows >= 1000 ? 50 : 200;
    Measure("nothing changed", windows, form, maker, rounds, [](int) {});
    Measure("one title changed", windows, form, maker, rounds, [&](int i) {
        maker.SetTitle(handles[static_cast<std::size_t>(windows / 2)],
                       "Renamed " + std::to_string(i));
    });
    Measure("one window replaced", windows, form, maker, rounds, [&](int i) {
        maker.Destroy(handles.front());
        handles.erase(handles.begin());
        handles.push_back(maker.Make("New window " + std::to_string(i)));
    });
    form.close();
    for (xcb_window_t w : handles) {
        maker.Destroy(w);
    }
    Settle(maker);
}

}  // namespace

int RunX11RefreshBench(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        std::fprintf(stderr, "refresh_bench: no X11 connection\n");
        return 1;
    }
    gCounted = x11->connection();
    gMainThread = std::this_thread::get_id();
    const std::unique_ptr<Platform> platform = CreateX11Platform();
    const Session session(platform->Encodings(), 0x0409);
    WindowMaker maker;
    if (!maker.Ok()) {
        std::fprintf(stderr, "refresh_bench: the bench's own X connection failed\n");
        return 1;
    }
    for (int windows : {10, 100, 1000}) {
        Run(windows, maker, session, *platform);
    }
    return 0;
}

int RunRefreshBenchOnXvfb(const char* self) {
    DesktopOptions options;
    options.monitors = {{0, 0, 1600, 1080, true}, {1600, 0, 1600, 1080, false}};
    TestDesktop desktop(options);
    if (!desktop.Ready()) {
        std::fprintf(stderr, "refresh_bench: %s\n", desktop.Failure().c_str());
        return 1;
    }
    // This program again, as the desktop's client, with its output passed through.
    QProcess child;
    child.setProcessEnvironment(desktop.Environment());
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QString::fromLocal8Bit(self), {QString::fromLatin1(kRefreshBenchX11Argument)});
    if (!child.waitForFinished(10 * 60 * 1000)) {
        child.kill();
        child.waitForFinished(5000);
        return 1;
    }
    return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : 1;
}
