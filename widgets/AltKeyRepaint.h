// Repaints a form's buttons shortly after the Alt key is pressed, so that the keyboard
// accelerator underlines that the style shows with Alt appear on every button at once.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

// Key codes of the keys the component reacts to, as the Windows virtual-key codes.
constexpr int kKeyCodeTab = 9;
constexpr int kKeyCodeAlt = 18;
constexpr int kKeyCodeLeft = 37;
constexpr int kKeyCodeUp = 38;
constexpr int kKeyCodeRight = 39;
constexpr int kKeyCodeDown = 40;

// The key code of a Qt key for KeyDownCheck: Tab, Alt and the arrows map to their codes,
// every other key to 0.
int KeyCodeFromQtKey(int qtKey);

// Whether the desktop draws controls with visual themes. Qt styles always do.
bool VisualThemesActive();

class TAltKeyRepaint : public QObject {
    Q_OBJECT
  public:
    static constexpr int kDelayMs = 10;

    explicit TAltKeyRepaint(QObject* owner = nullptr);

    // Called with every key press that reaches form. Alt always (re)starts the delay; Tab
    // and the arrow keys only when the last key that acted was Alt.
    void KeyDownCheck(QWidget* form, int keyCode);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool LastKeyWasAlt() const { return lastKeyWasAlt_; }
    bool Pending() const { return timer_.isActive(); }

  signals:
    // After a repaint pass, with the number of buttons repainted.
    void Repainted(int buttons);

  private:
    void TimerFired();

    QTimer timer_;
    QPointer<QWidget> form_;
    bool enabled_ = true;
    bool lastKeyWasAlt_ = false;
};

// Repaints the push buttons, check boxes and radio buttons of form, nested ones included;
// returns how many were repainted.
int RepaintButtonControls(QWidget* form);
