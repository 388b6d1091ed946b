#include "tests/support/TestApplication.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

int argc = 1;
char name[] = "vantrel_tests";
char* argv[] = {name, nullptr};
std::unique_ptr<QApplication> app;

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { TestApplication(); }
    void TearDown() override { app.reset(); }
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QApplication& TestApplication() {
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        app = std::make_unique<QApplication>(argc, argv);
    }
    return *app;
}
