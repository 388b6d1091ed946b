// The main window: the list of top-level windows with one toggle button per display,
// the buttons along the bottom and the tray icon.
#pragma once

#include <QMetaObject>
#include <QScrollArea>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "l10n/WideControls.h"
#include "mainwindow/AltKeyRepaint.h"
#include "mainwindow/WindowRow.h"

class QAction;
class QMenu;

class TMainForm : public QWidget, public TWideTextForm {
    Q_OBJECT
  public:
    // The designed client size; anchored controls keep their distances to it.
    static constexpr int kDesignedWidth = 727;
    static constexpr int kDesignedHeight = 551;
    static constexpr int kRowPitch = 28;

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Start-up: language, then the idle refresh and the activation handler.
    void PrepareToRun(std::int32_t languageId);
    void ApplyLanguage(std::int32_t languageId);
    void ApplicationActivate();
    // Reconciles the rows with a fresh snapshot; runs whenever the event loop falls idle.
    void ApplicationIdle();
    bool IdleRefreshInstalled() const { return static_cast<bool>(FIdleConnection); }

    // The list of rows.
    void RefreshWindowList();
    void ArrangeRows();
    void FetchWindowList(RowList& list);
    static QString GetWindowTitle(WindowHandle window);
    void CreateRow(WindowRow& row, const QString& title);
    // The same with the display count already read (once per refresh).
    void CreateRow(WindowRow& row, const QString& title, int monitorCount);
    void UpdateRowTitle(WindowRow& row);
    void DestroyRow(WindowRow& row);
    const RowList& Rows() const { return FRows; }
    QWidget* RowHost() const { return FRowHost; }

    // Clone toggling.
    void DisplayButtonClick(QToolButton* sender);
    void TitleLabelClick(QObject* sender);
    void FormClose();

    // Form events.
    void FormActivate();
    void FormShow();
    void FormShortCut(int keyCode);

    // Commands of the bottom buttons and the tray menu.
    void AboutButtonClick();
    void IdentifyMonitorsButtonClick();
    void HideButtonClick();
    void ExitButtonClick();
    void TrayIconClick();

    // Whether the desktop has a notification area; replaceable so both cases can be tried.
    void SetTrayAvailableProbe(std::function<bool()> probe) { FTrayAvailable = std::move(probe); }
    int BalloonsShown() const { return FBalloonsShown; }

    std::int32_t FormLanguageId() const { return FLanguageId; }

    // Controls, named as the catalog knows them.
    TAltKeyRepaint* AltKeyRepaint = nullptr;
    TWideLabel* MonitorsLabelW = nullptr;
    TWideLabel* WindowListLabelW = nullptr;
    TWideLabel* HelpLabelW = nullptr;
    TWideButton* AboutButtonW = nullptr;
    TWideButton* IdentifyMonitorsButtonW = nullptr;
    TWideButton* HideButtonW = nullptr;
    TWideButton* ExitButtonW = nullptr;
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
    TWideLabel* CreateWideLabel(const char* name, const QRect& bounds, const QString& text,
                                bool wordWrap);
    TWideButton* CreateWideButton(const char* name, const QRect& bounds, const QString& text,
                                  void (TMainForm::*handler)());
    void ApplyAnchors();
    void PlaceCentred();
    void LockRowUpdates();
    void UnlockRowUpdates();
    int TitleWidth(int left) const;
    void UpdateTitleCursor(WindowRow& row);
    void ShowBalloon();
    WindowHandle ApplicationWindow();
    bool IsFirstKeyReceiver(QObject* watched) const;

    RowList FRows;
    QWidget* FRowHost = nullptr;
    QMetaObject::Connection FIdleConnection;
    QMetaObject::Connection FActivateConnection;
    std::function<bool()> FTrayAvailable;
    std::int32_t FLanguageId = 0x0409;
    int FBalloonsShown = 0;
    bool FInIdle = false;
    bool FLockOnRowChange = false;
    bool FRowsLocked = false;
    bool FCentred = false;
};
