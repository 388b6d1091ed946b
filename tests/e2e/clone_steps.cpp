#include "tests/e2e/clone_steps.h"

#include <gtest/gtest.h>

#include <QEvent>

#include "clone/CloneForm.h"
#include "tests/e2e/support/WaitUntil.h"

bool CloseCounter::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Close) {
        count += 1;
    }
    return false;
}

void ExpectImageAt(CloneScene& scene, const QRect& image, const char* when) {
    std::vector<CloneScene::Probe> probes = QuadrantProbes(image);
    const auto margins = MarginProbes(image, kDisplay);
    probes.insert(probes.end(), margins.begin(), margins.end());
    std::string found;
    EXPECT_TRUE(scene.ShowsWithin(probes, 10000, &found)) << when << ": " << found;
}

std::unique_ptr<TCloneForm> ShowClone(CloneScene& scene) {
    std::unique_ptr<TCloneForm> clone = scene.NewClone();
    clone->show();
    const auto window = static_cast<std::uint32_t>(clone->winId());
    EXPECT_TRUE(WaitUntil([&] { return scene.X().IsViewable(window); }, 10000));
    return clone;
}

std::unique_ptr<TCloneForm> StartCloneOnSecondDisplay(CloneScene& scene) {
    std::unique_ptr<TCloneForm> clone = ShowClone(scene);
    StartOnSecondDisplay(scene, clone.get());
    return clone;
}

void StartOnSecondDisplay(CloneScene& scene, TCloneForm* clone) {
    const auto window = static_cast<std::uint32_t>(clone->winId());
    clone->StartClone(scene.SourceWindow(), 1);
    EXPECT_TRUE(clone->HasThumbnail());
    EXPECT_TRUE(WaitUntil([&] { return scene.X().Geometry(window) == kDisplay; }, 10000))
        << "clone at " << scene.X().Geometry(window).value_or(QRect()).x();
}
