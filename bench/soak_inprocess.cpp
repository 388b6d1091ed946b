// Soak run of the main window in this process, on the X11 backend and a private Xvfb with
// two monitors: four clones stay live while windows are created, renamed and destroyed
// around them, the sources are resized, clones are closed and opened by their buttons and a
// source now and then leaves the screen and comes back (its row and clone go and come).
// At the end every row must stand for a live window with its last title and every live
// window have a row, each source keep its clone, and the X server hold no more windows,
// pixmaps, GCs, pictures, damage objects or redirections for the program than after the
// warm-up. Prints what was done and the refresh rate.
//
//   soak_inprocess [seconds]     (or VANTREL_SOAK_SECONDS; 600 by default)
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <set>

#include "bench/in_process_x11.h"
#include "bench/soak_churn.h"
#include "bench/soak_probe.h"
#include "bench/soak_scene.h"
#include "l10n/Session.h"
#include "mainwindow/MainForm.h"
#include "tests/e2e/support/XClient.h"

namespace {

constexpr int kSources = 4;
constexpr std::size_t kCloneDisplay = 1;
constexpr int kTitleLimit = 511;  // the list shows at most this many characters of a title

// Runs the event loop (so the idle refresh runs) until pred holds or timeoutMs passes.
bool Spin(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        if (pred() || clock.elapsed() >= timeoutMs) {
            loop.quit();
        }
    });
    tick.start(20);
    loop.exec();
    return pred();
}

class InProcessSoak {
  public:
    InProcessSoak(TMainForm& form, std::vector<SourceClient>& sources, WindowChurn& churn)
        : form_(form), sources_(sources), churn_(churn) {}

    WindowRowView* RowOf(std::uint32_t window) const {
        for (const auto& row : form_.Rows()) {
            if (row->Window() == window) {
                return row.get();
            }
        }
        return nullptr;
    }

    bool HasClone(std::uint32_t source) const {
        WindowRowView* row = RowOf(source);
        return row != nullptr && row->Clone(kCloneDisplay) != nullptr;
    }

    // Presses or releases the source's display button as a user would.
    bool ClickButton(std::uint32_t source) {
        WindowRowView* row = RowOf(source);
        if (row == nullptr || row->DisplayButtons().size() <= kCloneDisplay) {
            return false;
        }
        row->DisplayButtons()[kCloneDisplay]->click();
        return true;
    }

    // One tick of the run: churn, and every so often a resize, a clone closed and opened
    // again, or a source unmapped and mapped (its row and clone go, then it gets a new row
    // and a new clone).
    bool Tick(qint64 now) {
        churn_.Step();
        if (now >= nextResize_) {
            ResizeSource(sources_[resized_++ % sources_.size()]);
            nextResize_ += 1500;
        }
        SourceClient& toggled = sources_[toggles_ % sources_.size()];
        if (now >= nextToggle_ && togglePhase_ == 0 && remapPhase_ == 0) {
            ClickButton(toggled.window);
            if (HasClone(toggled.window)) {
                return Failed("a released button left its clone");
            }
            togglePhase_ = 1;
        } else if (now >= nextToggle_ + 500 && togglePhase_ == 1) {
            ClickButton(toggled.window);
            if (!HasClone(toggled.window)) {
                return Failed("a pressed button opened no clone");
            }
            togglePhase_ = 0;
            ++toggles_;
            nextToggle_ += 4000;
        }
        return Remap(now);
    }

    bool Remap(qint64 now) {
        SourceClient& source = sources_[remaps_ % sources_.size()];
        switch (remapPhase_) {
            case 0:
                if (now >= nextRemap_ && togglePhase_ == 0) {
                    source.process->write("unmap\n");
                    remapPhase_ = 1;
                }
                break;
            case 1:
                if (RowOf(source.window) == nullptr) {
                    source.process->write("map\n");
                    remapPhase_ = 2;
                }
                break;
            default:
                if (RowOf(source.window) != nullptr) {
                    ClickButton(source.window);
                    if (!HasClone(source.window)) {
                        return Failed("no clone from the new row of a source");
                    }
                    remapPhase_ = 0;
                    ++remaps_;
                    nextRemap_ = now + 10000;
                }
                break;
        }
        source.process->readAllStandardOutput();
        return true;
    }

    bool Run(int seconds) {
        QElapsedTimer clock;
        clock.start();
        churn_.ResetClock();
        nextResize_ = 1500;
        nextToggle_ = 4000;
        nextRemap_ = 10000;
        bool ok = true;
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            if (!Tick(now)) {
                ok = false;
                loop.quit();
            } else if (now >= seconds * 1000LL && togglePhase_ == 0 && remapPhase_ == 0) {
                loop.quit();
            }
        });
        tick.start(5);  // the driver's pace
        loop.exec();
        return ok;
    }

    // The rows and the windows the churn and the sources hold now, both ways, with titles.
    std::vector<std::string> Mismatches() const {
        std::vector<std::string> problems;
        std::set<std::uint32_t> expected;
        for (const SourceClient& s : sources_) {
            expected.insert(s.window);
        }
        for (const auto& [window, title] : churn_.Alive()) {
            expected.insert(window);
            WindowRowView* row = RowOf(window);
            const QString shown = QString::fromUtf8(title).left(kTitleLimit);
            if (row != nullptr && row->TitleLabel()->text() != shown) {
                problems.push_back("row of " + std::to_string(window) + " shows \"" +
                                   row->TitleLabel()->text().left(40).toStdString() + "\"");
            }
        }
        std::set<std::uint32_t> listed;
        for (const auto& row : form_.Rows()) {
            if (!listed.insert(row->Window()).second) {
                problems.push_back("two rows for " + std::to_string(row->Window()));
            }
            if (!expected.contains(row->Window())) {
                problems.push_back("row of a window that is gone: " +
                                   std::to_string(row->Window()));
            }
        }
        for (std::uint32_t window : expected) {
            if (!listed.contains(window)) {
                problems.push_back("no row for live window " + std::to_string(window));
            }
        }
        return problems;
    }

    long Toggles() const { return toggles_; }
    long Remaps() const { return remaps_; }

  private:
    bool Failed(const char* why) {
        std::printf("FAIL: %s\n", why);
        return false;
    }

    TMainForm& form_;
    std::vector<SourceClient>& sources_;
    WindowChurn& churn_;
    qint64 nextResize_ = 0;
    qint64 nextToggle_ = 0;
    qint64 nextRemap_ = 0;
    std::size_t resized_ = 0;
    long toggles_ = 0;
    int togglePhase_ = 0;
    long remaps_ = 0;
    int remapPhase_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = NumberArgument(argc, argv, "VANTREL_SOAK_SECONDS", 600);
    const int warmUp = std::clamp(seconds / 6, 5, 60);
    TestDesktop desktop(SoakDesktop());
    const std::unique_ptr<Platform> platform = StartInProcessX11(desktop);
    if (!platform) {
        return Fail("Xvfb with two monitors did not start");
    }
    QApplication app(argc, argv);
    const Session session(platform->Encodings(), 0x0409);
    XClient& x = desktop.X();
    std::vector<SourceClient> sources = StartSources(desktop, kSources);
    const EndSourcesAtExit endSources{sources};
    if (sources.size() != kSources) {
        return Fail("the source clients did not come up");
    }
    TMainForm form(session, *platform);
    form.PrepareToRun(0x0409);
    form.show();
    WindowChurn churn(desktop.Display(), WindowChurn::Options{});
    InProcessSoak soak(form, sources, churn);
    if (!Spin([&] { return soak.Mismatches().empty(); }, 5000)) {
        return Fail("the sources have no rows");
    }
    for (const SourceClient& source : sources) {
        soak.ClickButton(source.window);
        if (!soak.HasClone(source.window)) {
            return Fail("a display button opened no clone");
        }
    }
    long refreshes = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     [&refreshes] { ++refreshes; });
    const std::uint32_t base =
        ResourceBase(x.Connection(), static_cast<std::uint32_t>(form.winId()));
    const ResourceCounts start = ClientResources(x.Connection(), base);

    std::printf("soak_inprocess: %d s (%d s warm-up)\n", seconds, warmUp);
    if (!soak.Run(warmUp)) {
        return 1;
    }
    churn.DestroyAll();
    if (!Spin([&] { return soak.Mismatches().empty(); }, 10000)) {
        return Fail("the list did not settle after the warm-up");
    }
    const ResourceCounts baseline = ClientResources(x.Connection(), base);
    const long rssBaseline = ResidentKiB(getpid());
    const long refreshesBefore = refreshes;
    const long operationsBefore = churn.Done().operations;
    QElapsedTimer measured;
    measured.start();
    if (!soak.Run(seconds - warmUp)) {
        return 1;
    }
    const double runSeconds = static_cast<double>(measured.elapsed()) / 1000.0;
    const long runRefreshes = refreshes - refreshesBefore;
    const long runOperations = churn.Done().operations - operationsBefore;

    bool ok = true;
    // Every row stands for a live window with its last title, and the other way round.
    churn.RenameAll();
    churn.Sync();
    const std::size_t alive = churn.Alive().size();
    if (!Spin([&] { return soak.Mismatches().empty(); }, 10000)) {
        for (const std::string& problem : soak.Mismatches()) {
            std::printf("FAIL: %s\n", problem.c_str());
        }
        ok = false;
    }
    std::printf("rows with the churn's %zu windows and the %d sources: %zu\n", alive, kSources,
                form.Rows().size());
    for (const SourceClient& source : sources) {
        WindowRowView* row = soak.RowOf(source.window);
        TCloneForm* clone = row != nullptr ? row->Clone(kCloneDisplay) : nullptr;
        if (clone == nullptr || !clone->isVisible() || !clone->HasThumbnail() ||
            !x.IsViewable(static_cast<std::uint32_t>(clone->winId()))) {
            std::printf("FAIL: the clone of source 0x%x is not live\n", source.window);
            ok = false;
        }
    }
    churn.DestroyAll();
    churn.Sync();
    if (!Spin([&] { return soak.Mismatches().empty(); }, 10000)) {
        std::printf("FAIL: rows of destroyed windows stay\n");
        ok = false;
    }
    const ResourceCounts end = ClientResources(x.Connection(), base);
    const long rssEnd = ResidentKiB(getpid());

    const WindowChurn::Totals& done = churn.Done();
    std::printf(
        "operations %ld (created %ld, renamed %ld, destroyed %ld), clone toggles %ld, "
        "sources remapped %ld\n",
        done.operations, done.created, done.renamed, done.destroyed, soak.Toggles(), soak.Remaps());
    std::printf("idle refreshes: %.0f per second at %.0f operations per second\n",
                static_cast<double>(runRefreshes) / runSeconds,
                static_cast<double>(runOperations) / runSeconds);
    std::printf("process RSS (with the driver): after warm-up %ld KiB, end %ld KiB, %+ld KiB\n",
                rssBaseline, rssEnd, rssEnd - rssBaseline);
    ok = ReportResources(start, baseline, end) && ok;
    form.close();
    std::printf("%s\n",
                ok ? "soak_inprocess: rows follow the windows, no leak" : "soak_inprocess: FAILED");
    return ok ? 0 : 1;
}
