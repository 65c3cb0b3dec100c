// One QApplication for the whole test program, on the offscreen platform unless the caller chose
// another: no display is needed. The process's arguments are captured as the program does.
#include "vandel/folders.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class qt_environment : public ::testing::Environment {
public:
    void SetUp() override {
        vandel::capture_process_args(argc_, argv_);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[9] = "test_gui";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new qt_environment);

}  // namespace
