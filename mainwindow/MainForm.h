// The main window: the list of top-level windows with one toggle button per display,
// the buttons along the bottom and the tray icon.
#pragma once

#include <QMetaObject>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "mainwindow/MainFormLayout.h"
#include "mainwindow/WindowRows.h"
#include "monitors/MonitorIdentify.h"
#include "widgets/AltKeyRepaint.h"
#include "widgets/WideControls.h"

class QAction;
class QMenu;
class Platform;
struct Session;

class TMainForm : public QWidget, public WideTextForm {
    Q_OBJECT
  public:
    // The designed client size; anchored controls keep their distances to it.
    static constexpr int kDesignedWidth = 727;
    static constexpr int kDesignedHeight = 551;

    // Lists the windows once on creation. session and platform outlive the window.
    TMainForm(const Session& session, Platform& platform, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up: language, then the idle refresh and the activation handler.
    void PrepareToRun(std::int32_t languageId);
    void ApplyLanguage(std::int32_t languageId);
    void ApplicationActivate();
    // Reconciles the rows with a fresh snapshot; runs whenever the event loop falls idle.
    void ApplicationIdle();
    bool IdleRefreshInstalled() const { return static_cast<bool>(idleConnection_); }

    // The list of rows. Returns the snapshot the rows follow now, with whole titles.
    std::vector<ListedWindow> RefreshWindowList();
    void ArrangeRows();
    const WindowRows::RowList& Rows() const { return rows_->Rows(); }
    QWidget* RowHost() const { return rows_->Host(); }
    // What is cloned where: the buttons, the clones and the commands all go through it.
    CloneSet& Clones() { return rows_->Clones(); }
    // The window of the window's clone on the display, or null.
    TCloneForm* CloneWindow(WindowHandle window, std::size_t display) const {
        return rows_->CloneWindow(window, display);
    }
    // Closes every clone and empties the list.
    void FormClose();

    // Form events.
    // Writes the monitor count and fits the texts; the count alone is also written on show.
    void FormActivate();
    void FormShow();
    void FormShortCut(int keyCode);

    // Commands of the bottom buttons and the tray menu.
    void AboutButtonClick();
    void IdentifyMonitorsButtonClick();
    void HideButtonClick();
    void ExitButtonClick();
    // Opens the desktop's window picker (only where it offers one: ChooseWindowButtonW).
    void ChooseWindowButtonClick();
    void TrayIconClick();

    // Whether the desktop has a notification area; replaceable so both cases can be tried.
    void SetTrayAvailableProbe(std::function<bool()> probe) { trayAvailable_ = std::move(probe); }
    int BalloonsShown() const { return balloonsShown_; }
    // The overlays of "Identify Monitors"; the list does not refresh while they wait.
    const MonitorIdentify& Identify() const { return identify_; }

    std::int32_t FormLanguageId() const { return languageId_; }

    // Controls, named as the catalog knows them.
    TAltKeyRepaint* AltKeyRepaint = nullptr;
    WideLabel* MonitorsLabelW = nullptr;
    WideLabel* WindowListLabelW = nullptr;
    WideLabel* HelpLabelW = nullptr;
    WideButton* AboutButtonW = nullptr;
    WideButton* IdentifyMonitorsButtonW = nullptr;
    WideButton* HideButtonW = nullptr;
    WideButton* ExitButtonW = nullptr;
    WideButton* ChooseWindowButtonW = nullptr;  // only where the desktop has a picker
    QScrollArea* WindowsScrollBox = nullptr;
    QSystemTrayIcon* TrayIcon = nullptr;
    QMenu* TrayPopupMenu = nullptr;
    QAction* OpenItem = nullptr;
    QAction* AboutItem = nullptr;
    QAction* ExitItem = nullptr;

  signals:
    // The main window has been closed; the program ends.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FormCreate();
    void CreateScrollBox();
    void CreateWideControls();
    void CreateTrayIcon();
    WideLabel* CreateWideLabel(const char* name, const QRect& bounds, const QString& text,
                               bool wordWrap);
    WideButton* CreateWideButton(const char* name, const QRect& bounds, const QString& text,
                                 void (TMainForm::*handler)());
    void ApplyAnchors();
    void FitTextControls();
    MainFormControls Controls() const;
    void WriteMonitorCount();
    void ShowBalloon();
    WindowHandle ApplicationWindow();
    bool IsFirstKeyReceiver(QObject* watched) const;

    const Session& session_;
    Platform& platform_;
    MonitorIdentify identify_;
    std::unique_ptr<WindowRows> rows_;
    MainFormLayout layout_;
    QMetaObject::Connection idleConnection_;
    QMetaObject::Connection activateConnection_;
    std::function<bool()> trayAvailable_;
    std::int32_t languageId_ = 0x0409;
    int balloonsShown_ = 0;
    bool inIdle_ = false;
    bool centred_ = false;
};
