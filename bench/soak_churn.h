// Top-level windows that come and go, for the soak and list benchmarks: plain xcb windows on
// a connection of their own, mapped with titles, renamed and destroyed at a steady rate with
// a bounded number alive at once. The windows carry no _NET_WM_PID, so a program in the same
// process lists them like any other client's.
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

struct xcb_connection_t;

class WindowChurn {
  public:
    struct Options {
        int minAlive = 20;
        int maxAlive = 40;
        double operationsPerSecond = 50;
        unsigned seed = 1;
        // Where the windows are placed, in root coordinates: away from what a test clicks.
        int left = 0;
        int top = 880;
        int width = 1500;
        int height = 180;
    };
    struct Totals {
        long operations = 0;
        long created = 0;
        long renamed = 0;
        long destroyed = 0;
    };

    WindowChurn(const std::string& display, const Options& options);
    ~WindowChurn();
    WindowChurn(const WindowChurn&) = delete;
    WindowChurn& operator=(const WindowChurn&) = delete;

    bool Connected() const { return connection_ != nullptr; }

    // Does the operations due by now at the configured rate (at most a short burst after a
    // pause) and returns how many it did.
    int Step();
    // Restarts the rate's clock, so that a pause is not made up for.
    void ResetClock();
    // Gives every living window a final, non-empty title: "Final <n>".
    void RenameAll();
    void DestroyAll();
    // Creates count mapped windows titled prefix + number, with one flush for all.
    void CreateBatch(int count, const std::string& prefix);
    // Waits until the server has handled every request sent so far.
    void Sync();

    // Living windows and the title each was given last (UTF-8).
    const std::unordered_map<std::uint32_t, std::string>& Alive() const { return alive_; }
    const Totals& Done() const { return totals_; }

  private:
    std::uint32_t Create(const std::string& title);
    void Rename(std::uint32_t window, const std::string& title);
    void Destroy(std::uint32_t window);
    void Operate();
    std::string NextTitle();
    std::uint32_t AnyAlive();
    void DrainEvents();

    Options options_;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint32_t rootVisual_ = 0;
    std::uint32_t netWmName_ = 0;
    std::uint32_t utf8String_ = 0;
    std::mt19937 random_;
    std::chrono::steady_clock::time_point start_;
    long dueBase_ = 0;
    long serial_ = 0;
    Totals totals_;
    std::unordered_map<std::uint32_t, std::string> alive_;
    std::vector<std::uint32_t> order_;  // alive windows, for picking one at random
};
