#include "ScriptedDialogs.h"

#include <QDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    // Widget tests need no display; a private runtime folder keeps Qt from warning about it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
      const QString runtime = QStringLiteral(EARMARK_BINARY_DIR "/xdg-runtime");
      QDir().mkpath(runtime);
      QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    App = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { App.reset(); }

  static std::unique_ptr<QApplication> App;
};

std::unique_ptr<QApplication> QtEnvironment::App;

[[maybe_unused]] const auto* const Registered =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QApplication& TestApplication() { return *QtEnvironment::App; }
