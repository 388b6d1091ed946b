#include "tests/mainwindow/MainTestApplication.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

int argc = 1;
char name[] = "vantrel_main_tests";
char* argv[] = {name, nullptr};
std::unique_ptr<QApplication> app;

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { MainTestApplication(); }
    void TearDown() override { app.reset(); }
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QApplication& MainTestApplication() {
    if (!app) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        app = std::make_unique<QApplication>(argc, argv);
    }
    return *app;
}

bool WriteTextFile(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    return file.write(bytes) == bytes.size();
}
