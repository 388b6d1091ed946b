// Creation, layout, language and the form events of the main window.
#include "mainwindow/MainForm.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

#include "about/AboutForm.h"
#include "l10n/FormTranslation.h"
#include "l10n/Session.h"
#include "mainwindow/MainFormPlacement.h"
#include "mainwindow/TrayMenu.h"
#include "mainwindow/WindowPickerHookup.h"
#include "platform/Platform.h"
#include "platform/WindowPicker.h"

namespace {

constexpr Qt::WindowFlags kMainWindowFlags =
    Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
    Qt::WindowCloseButtonHint;

constexpr int kBalloonMs = 3000;
constexpr int kIdentifySeconds = 5;

const char* const kHelpText =
    "Locate the window that you want to clone and click the display number button on its left "
    "to clone on that display. Click the button again to remove the clone of the window.";

}  // namespace

TMainForm::TMainForm(const Session& session, Platform& platform, QWidget* parent)
    : QWidget(parent, kMainWindowFlags),
      session_(session),
      platform_(platform),
      identify_(platform.Displays()),
      trayAvailable_(&QSystemTrayIcon::isSystemTrayAvailable),
      languageId_(session.languageId) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(session_.applicationTitle);
    resize(kDesignedWidth, kDesignedHeight);
    setBackgroundRole(QPalette::Window);
    QFont designed(QStringLiteral("Segoe UI"));
    designed.setPixelSize(12);
    setFont(designed);
    identify_.SetScreenPlacement(ClonesNeedScreen(platform_));
    identify_.SetPrepareOverlay([this](QWidget& overlay) {
        platform_.System().PrepareCloneWindow(static_cast<WindowHandle>(overlay.winId()));
    });
    CreateScrollBox();
    FormCreate();
    CreateTrayIcon();
    // The monitor line follows a change of the displays at once, as the rows do.
    connect(&platform_.Displays(), &DisplayList::Changed, this, &TMainForm::FormActivate);
    qApp->installEventFilter(this);
}

TMainForm::~TMainForm() {
    // Rows close their clones explicitly; whatever is left then goes with the window.
    if (idleConnection_) {
        disconnect(idleConnection_);
    }
    FormClose();
}

void TMainForm::CreateScrollBox() {
    WindowsScrollBox = new QScrollArea(this);
    WindowsScrollBox->setObjectName(QStringLiteral("WindowsScrollBox"));
    WindowsScrollBox->setGeometry(kScrollBoxBounds);
    WindowsScrollBox->setWidgetResizable(false);
    WindowsScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The rows' buttons take the keyboard, and the box scrolls to the one that has it; the
    // box itself would be a stop in the Tab order that shows no focus.
    WindowsScrollBox->setFocusPolicy(Qt::NoFocus);
    WindowsScrollBox->viewport()->setBackgroundRole(QPalette::Base);
    WindowsScrollBox->viewport()->setAutoFillBackground(true);
    rows_ = std::make_unique<WindowRows>(
        WindowsScrollBox, CloneServices{platform_.Compositor(), platform_.Displays(),
                                        platform_.System(), ClonesNeedScreen(platform_),
                                        &platform_.Windows()});
}

void TMainForm::FormCreate() {
    AltKeyRepaint = new TAltKeyRepaint(this);
    RefreshWindowList();
    ArrangeRows();
    CreateWideControls();
}

WideLabel* TMainForm::CreateWideLabel(const char* name, const QRect& bounds, const QString& text,
                                      bool wordWrap) {
    auto* label = new WideLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(bounds);
    label->setWordWrap(wordWrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->show();
    return label;
}

WideButton* TMainForm::CreateWideButton(const char* name, const QRect& bounds, const QString& text,
                                        void (TMainForm::*handler)()) {
    auto* button = new WideButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(bounds);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, handler);
    button->show();
    return button;
}

// The visible, translatable controls of the window, in tab order.
void TMainForm::CreateWideControls() {
    MonitorsLabelW = CreateWideLabel("MonitorsLabelW", kMonitorsLabelBounds,
                                     QStringLiteral("This system has 9 monitors."), true);
    WindowListLabelW = CreateWideLabel("WindowListLabelW", kWindowListLabelBounds,
                                       QStringLiteral("Window List:"), false);
    HelpLabelW =
        CreateWideLabel("HelpLabelW", kHelpLabelBounds, QString::fromLatin1(kHelpText), true);
    AboutButtonW = CreateWideButton("AboutButtonW", kAboutButtonBounds, QStringLiteral("A&bout..."),
                                    &TMainForm::AboutButtonClick);
    IdentifyMonitorsButtonW = CreateWideButton("IdentifyMonitorsButtonW", kIdentifyButtonBounds,
                                               QStringLiteral("Identify Monitors"),
                                               &TMainForm::IdentifyMonitorsButtonClick);
    HideButtonW =
        CreateWideButton("HideButtonW", kHideButtonBounds, QStringLiteral("Hide in System Tray"),
                         &TMainForm::HideButtonClick);
    ExitButtonW = CreateWideButton("ExitButtonW", kExitButtonBounds, QStringLiteral("E&xit"),
                                   &TMainForm::ExitButtonClick);
    if (WindowPicker* picker = FindWindowPicker(platform_)) {
        ConnectWindowPicker(*this, *picker);
        if (picker->CanChoose()) {
            ChooseWindowButtonW = CreateWideButton("ChooseWindowButtonW", QRect(),
                                                   QStringLiteral("Choose &Window..."),
                                                   &TMainForm::ChooseWindowButtonClick);
        }
    }
    ApplyAnchors();
}

// Qt has no anchors: controls anchored to the right or bottom keep their designed distance
// to that edge, controls anchored on both sides stretch.
void TMainForm::ApplyAnchors() {
    if (ExitButtonW != nullptr) {
        layout_.Apply(Controls(), size());
    }
    if (ChooseWindowButtonW != nullptr && HideButtonW != nullptr) {
        PlaceChooseWindowButton(*ChooseWindowButtonW, *HideButtonW);
    }
}

MainFormControls TMainForm::Controls() const {
    return {MonitorsLabelW,          WindowListLabelW, HelpLabelW,  AboutButtonW,
            IdentifyMonitorsButtonW, HideButtonW,      ExitButtonW, WindowsScrollBox};
}

// Controls whose text (translated, or in the desktop's font) does not fit grow; the window
// widens when the buttons along the bottom need it.
void TMainForm::FitTextControls() {
    layout_.Fit(Controls(), width());
    if (layout_.NeededClientWidth() > width()) {
        resize(layout_.NeededClientWidth(), height());
    }
    ApplyAnchors();
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ApplyAnchors();
    ArrangeRows();
}

void TMainForm::PrepareToRun(std::int32_t languageId) {
    ApplyLanguage(languageId);
    if (!idleConnection_) {
        idleConnection_ =
            connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                    this, &TMainForm::ApplicationIdle);
    }
    if (!activateConnection_) {
        activateConnection_ = connect(qApp, &QGuiApplication::applicationStateChanged, this,
                                      [this](Qt::ApplicationState state) {
                                          if (state == Qt::ApplicationActive) {
                                              ApplicationActivate();
                                          }
                                      });
    }
}

void TMainForm::ApplyLanguage(std::int32_t languageId) {
    languageId_ = languageId;
    setFont(platform_.System().InterfaceFont());
    TranslateForm(this, session_.catalog, languageId);
    FitTextControls();
}

void TMainForm::ApplicationActivate() {
    if (isVisible()) {
        activateWindow();
    }
}

void TMainForm::FormActivate() {
    WriteMonitorCount();
    FitTextControls();
}

void TMainForm::WriteMonitorCount() {
    const int count = platform_.Displays().Count();
    if (count == 1) {
        MonitorsLabelW->setText(session_.catalog.GetMessageText(
            languageId_, "MainForm:MonitorCountOne", QStringLiteral("This system has 1 monitor.")));
    } else {
        MonitorsLabelW->setText(session_.catalog.FormatMessageText(
            languageId_, "MainForm:MonitorCountMulti",
            QStringLiteral("This system has %s1% monitors."), QString::number(count), QString()));
    }
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    if (!centred_ && !event->spontaneous()) {
        centred_ = true;
        CentreInWorkArea(*this);
    }
    QWidget::showEvent(event);
    FormShow();
    // Also for a window that comes up without the focus (Wayland, focus-stealing prevention).
    WriteMonitorCount();
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // The program ends with this window: no more refreshes.
    if (idleConnection_) {
        disconnect(idleConnection_);
    }
    FormClose();
    event->accept();
    emit Closed();
}

void TMainForm::FormShortCut(int keyCode) {
    AltKeyRepaint->KeyDownCheck(this, keyCode);
}

// A key press is delivered first to the focus widget and then, while ignored, to its
// parents; only the first delivery counts as the key reaching the window.
bool TMainForm::IsFirstKeyReceiver(QObject* watched) const {
    if (!watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this) {
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && focus->window() == this ? widget == focus : widget == this;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsFirstKeyReceiver(watched)) {
        FormShortCut(KeyCodeFromQtKey(static_cast<QKeyEvent*>(event)->key()));
    }
    return false;
}

WindowHandle TMainForm::ApplicationWindow() {
    return static_cast<WindowHandle>(winId());
}

std::vector<ListedWindow> TMainForm::RefreshWindowList() {
    std::vector<ListedWindow> snapshot = platform_.Windows().Snapshot(ApplicationWindow());
    rows_->Refresh(snapshot);
    return snapshot;
}

void TMainForm::ArrangeRows() {
    if (rows_) {
        rows_->Arrange();
    }
}

// Runs each time the event loop is about to wait. Drawing of the list is suspended only
// while rows are really created or destroyed: re-enabling it schedules a repaint, which
// would wake the loop for another refresh. The wait of "Identify Monitors" keeps it off.
void TMainForm::ApplicationIdle() {
    if (inIdle_ || identify_.Waiting()) {
        return;
    }
    inIdle_ = true;
    rows_->SetLockOnChange(true);
    RefreshWindowList();
    ArrangeRows();
    rows_->SetLockOnChange(false);
    rows_->Unlock();
    inIdle_ = false;
}

// Every row goes with its clones; no clone outlives the main window.
void TMainForm::FormClose() {
    if (rows_) {
        rows_->Clear();
    }
}

void TMainForm::CreateTrayIcon() {
    const TrayControls tray = CreateTrayControls(this, session_.applicationTitle);
    TrayIcon = tray.icon;
    TrayPopupMenu = tray.menu;
    OpenItem = tray.openItem;
    AboutItem = tray.aboutItem;
    ExitItem = tray.exitItem;
    connect(OpenItem, &QAction::triggered, this, &TMainForm::TrayIconClick);
    connect(AboutItem, &QAction::triggered, this, &TMainForm::AboutButtonClick);
    connect(ExitItem, &QAction::triggered, this, &TMainForm::ExitButtonClick);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    TrayIconClick();
                }
            });
    setWindowIcon(TrayIcon->icon());
}

void TMainForm::FormShow() {
    TrayIcon->hide();
}

// Hides the window behind the tray icon; clones stay and the list keeps following the
// desktop. Without a notification area there would be no way back, so the window is
// minimised instead.
void TMainForm::HideButtonClick() {
    if (!trayAvailable_ || !trayAvailable_()) {
        showMinimized();
        return;
    }
    hide();
    TrayIcon->show();
    ShowBalloon();
}

void TMainForm::ShowBalloon() {
    TrayIcon->showMessage(session_.applicationTitle,
                          QStringLiteral("Access Vantrel using this icon."),
                          QSystemTrayIcon::Information, kBalloonMs);
    ++balloonsShown_;
}

void TMainForm::TrayIconClick() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void TMainForm::ChooseWindowButtonClick() {
    if (RaiseChoiceFailedMessage(*this)) {
        return;
    }
    if (WindowPicker* picker = FindWindowPicker(platform_)) {
        picker->Choose();
    }
}

void TMainForm::ExitButtonClick() {
    close();
}

void TMainForm::AboutButtonClick() {
    auto about = std::make_unique<TAboutForm>(session_, platform_.System(), nullptr);
    about->ApplyLanguage(languageId_);
    about->exec();
}

void TMainForm::IdentifyMonitorsButtonClick() {
    identify_.ShowMonitorNumbers(kIdentifySeconds);
}
