// Helpers of the Win32 backend tests: copies of the test program started in a child mode,
// bounded polling, and windows made for the window query to find.
#pragma once

#include "platform/win32/Win32Api.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/Win32Handles.h"

// Exit code of a child that could not do what its mode asks.
constexpr int kChildFailed = 2;

// Runs a child mode if the command line names one; returns true when it did, with the
// process's exit code in exitCode.
bool RunChildMode(int argc, char** argv, int* exitCode);

// Polls condition until it holds or the timeout passes; answers the last result.
bool PollUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A copy of this test program started with arguments, and optionally extra environment
// variables ("NAME=value"), reading what it writes to its standard output.
class ChildProcess {
  public:
    ChildProcess(const std::wstring& arguments, const std::vector<std::wstring>& extraEnvironment);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    // Reads lines until one equals "ready" or the output ends; false when it never came.
    bool ReadUntilReady(std::vector<std::string>* lines);
    // Waits for the child to end; -1 when it did not end within the timeout (it is then
    // terminated).
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));

  private:
    HANDLE process_ = nullptr;
    HANDLE output_ = nullptr;
    std::string pending_;
};

// Starts a child copy with arguments, waits for it and gives its exit code (-1 on failure).
int RunChild(const std::wstring& arguments, const std::vector<std::wstring>& extraEnvironment = {});

// The titles the child's windows carry.
std::wstring UnicodeTitle();
std::wstring LongTitle();

// A top-level window of this process, destroyed with the object.
class OwnWindow {
  public:
    OwnWindow(const std::wstring& title, DWORD exStyle, HWND owner, bool visible);
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND Get() const { return window_; }

  private:
    HWND window_ = nullptr;
};

// Dispatches the messages waiting for this thread's windows.
void PumpMessages();
