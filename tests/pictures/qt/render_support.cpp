#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

namespace torvane::test {
namespace {

// Fonts need an application object; the tests share one.
class GuiEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "torvane_qt_picture_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QGuiApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QGuiApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
}  // namespace torvane::test
