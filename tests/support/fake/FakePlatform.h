// An in-memory platform for tests: windows, displays and thumbnails are whatever the test
// scripts, and every compositor call is recorded. Tests construct it directly and hand its
// parts to the forms.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

#include <map>
#include <vector>

#include "platform/IcuCodePages.h"
#include "platform/Platform.h"
#include "tests/support/fake/FakeCompositor.h"

class FakeDisplayList : public DisplayList {
  public:
    std::vector<DisplayInfo> Displays() override { return displays_; }
    // Every change emits Changed().
    void Set(std::vector<DisplayInfo> displays);
    const std::vector<DisplayInfo>& Current() const { return displays_; }

  private:
    std::vector<DisplayInfo> displays_{{QRect(0, 0, 1920, 1080), QStringLiteral("fake-1")}};
};

class FakePlatform : public Platform, private WindowList, private SystemServices {
  public:
    struct Window {
        WindowHandle handle = 0;
        QString title;
        QSize size{640, 480};
        bool titleReadFails = false;  // listed with an empty title
    };

    FakePlatform();
    ~FakePlatform() override;

    // --- windows ---
    WindowHandle AddWindow(const QString& title, QSize size = {640, 480});
    void RenameWindow(WindowHandle window, const QString& title);
    // A change of size is told to the living thumbnails of the window.
    void ResizeWindow(WindowHandle window, QSize size);
    void RemoveWindow(WindowHandle window);
    void FailTitleRead(WindowHandle window, bool fail);
    const std::vector<Window>& WindowRecords() const { return windows_; }
    int SnapshotCalls() const { return snapshotCalls_; }
    WindowHandle LastApplicationWindow() const { return lastApplicationWindow_; }

    // --- displays (each change emits DisplayList::Changed) ---
    void SetMonitors(const std::vector<QRect>& monitors);
    void AddMonitor(const QRect& rect);
    void RemoveMonitor(int index);
    std::vector<QRect> Monitors() const;

    // --- system services ---
    void SetLanguageId(std::uint16_t id) { languageId_ = id; }
    void SetInterfaceFont(const QFont& font) { interfaceFont_ = font; }
    void SetInstallPath(const QString& path) { installPath_ = path; }
    // A guard held by another process under name.
    void HoldGuard(const QString& name) { guards_[name] += 1; }
    int GuardHolders(const QString& name) const;
    const std::vector<WindowHandle>& PreparedCloneWindows() const { return prepared_; }

    // --- Platform ---
    WindowList& Windows() override { return *this; }
    FakeDisplayList& Displays() override { return displays_; }
    FakeCompositor& Compositor() override { return compositor_; }
    SystemServices& System() override { return *this; }
    const CodePages& Encodings() override { return codePages_; }

  protected:
    std::vector<ListedWindow> Snapshot(WindowHandle applicationWindow) override;

  private:
    class Guard;

    std::unique_ptr<InstanceGuard> AcquireInstanceGuard(const QString& name) override;
    std::uint16_t UserLanguageId() override { return languageId_; }
    QString InstallPath() override { return installPath_; }
    QFont InterfaceFont() override { return interfaceFont_; }
    void PrepareCloneWindow(WindowHandle window) override { prepared_.push_back(window); }

    Window* FindWindow(WindowHandle window);
    std::optional<QSize> SourceSize(WindowHandle window);

    std::vector<Window> windows_;
    FakeDisplayList displays_;
    FakeCompositor compositor_;
    IcuCodePages codePages_;
    std::map<QString, int> guards_;
    std::vector<WindowHandle> prepared_;
    QFont interfaceFont_;
    QString installPath_;
    WindowHandle nextWindow_ = 0x1000;
    WindowHandle lastApplicationWindow_ = 0;
    std::uint16_t languageId_ = 0x0409;
    int snapshotCalls_ = 0;
};
