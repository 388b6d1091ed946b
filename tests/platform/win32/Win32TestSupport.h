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
class TChildProcess {
  public:
    TChildProcess(const std::wstring& arguments, const std::vector<std::wstring>& extraEnvironment);
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool Started() const { return FProcess != nullptr; }
    // Reads lines until one equals "ready" or the output ends; false when it never came.
    bool ReadUntilReady(std::vector<std::string>* lines);
    // Waits for the child to end; -1 when it did not end within the timeout (it is then
    // terminated).
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));

  private:
    HANDLE FProcess = nullptr;
    HANDLE FOutput = nullptr;
    std::string FPending;
};

// Starts a child copy with arguments, waits for it and gives its exit code (-1 on failure).
int RunChild(const std::wstring& arguments, const std::vector<std::wstring>& extraEnvironment = {});

// The titles the child's windows carry.
std::wstring UnicodeTitle();
std::wstring LongTitle();

// A top-level window of this process, destroyed with the object.
class TOwnWindow {
  public:
    TOwnWindow(const std::wstring& title, DWORD exStyle, HWND owner, bool visible);
    ~TOwnWindow();
    TOwnWindow(const TOwnWindow&) = delete;
    TOwnWindow& operator=(const TOwnWindow&) = delete;
    HWND Get() const { return FWindow; }

  private:
    HWND FWindow = nullptr;
};

// Dispatches the messages waiting for this thread's windows.
void PumpMessages();
