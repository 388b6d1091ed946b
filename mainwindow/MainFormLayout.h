// Where the main window's controls go: the designed bounds in the 727 x 551 client area,
// kept at their distances to the edges they are anchored to, and grown where a control's
// text (a translation, a larger desktop font) needs more room than designed.
#pragma once

#include <QRect>
#include <QSize>

class QLabel;
class QPushButton;
class QScrollArea;

inline constexpr QRect kMonitorsLabelBounds(8, 16, 289, 18);
inline constexpr QRect kWindowListLabelBounds(8, 43, 201, 15);
inline constexpr QRect kScrollBoxBounds(6, 64, 713, 401);
inline constexpr QRect kHelpLabelBounds(8, 464, 711, 50);
inline constexpr QRect kAboutButtonBounds(8, 520, 89, 25);
inline constexpr QRect kIdentifyButtonBounds(103, 520, 122, 25);
inline constexpr QRect kHideButtonBounds(231, 520, 122, 25);
inline constexpr QRect kExitButtonBounds(632, 520, 89, 25);

struct MainFormControls {
    QLabel* monitors;
    QLabel* windowList;
    QLabel* help;
    QPushButton* about;
    QPushButton* identify;
    QPushButton* hide;
    QPushButton* exit;
    QScrollArea* list;
};

class MainFormLayout {
  public:
    // Measures the controls' texts in their fonts: a control keeps its designed size unless
    // its text needs more, and the buttons along the bottom then push their right
    // neighbours along. The designed sizes and positions are the minimum.
    void Fit(const MainFormControls& controls, int clientWidth);
    // The client width the bottom buttons need side by side (at least the designed one
    // while nothing grew).
    int NeededClientWidth() const;
    // Places every control for a client of this size; unchanged bounds are not set again.
    void Apply(const MainFormControls& controls, QSize client) const;

  private:
    QRect monitors_ = kMonitorsLabelBounds;
    QRect windowList_ = kWindowListLabelBounds;
    QRect about_ = kAboutButtonBounds;
    QRect identify_ = kIdentifyButtonBounds;
    QRect hide_ = kHideButtonBounds;
    QRect exit_ = kExitButtonBounds;
    int listTop_ = kScrollBoxBounds.top();
};
