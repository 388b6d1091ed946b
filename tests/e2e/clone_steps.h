// Steps shared by the clone's end-to-end tests, each asserting what the user would see.
#pragma once

#include <QObject>
#include <QRect>

#include <memory>

#include "tests/e2e/clone_scene.h"

class TCloneForm;

// The clone's display (the second monitor) and where a 640x480 source lands on it.
inline const QRect kDisplay(1280, 0, 1920, 1080);
inline const QRect kFitted(1280 + 240, 0, 1440, 1080);
inline const QRect kNatural(1280 + 640, 300, 640, 480);

// Counts the close events a widget receives.
class CloseCounter : public QObject {
  public:
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Expects the four colour quadrants inside image and black margins around it in the clone.
void ExpectImageAt(CloneScene& scene, const QRect& image, const char* when);
// Makes and shows a clone and waits until it is on the screen.
std::unique_ptr<TCloneForm> ShowClone(CloneScene& scene);
// Starts a shown clone on display 1 and checks that it covers the display exactly.
void StartOnSecondDisplay(CloneScene& scene, TCloneForm* clone);
// Shows a clone, starts it on display 1 and checks that it covers the display exactly.
std::unique_ptr<TCloneForm> StartCloneOnSecondDisplay(CloneScene& scene);
