// One QApplication for the whole test program, on the offscreen platform unless the caller chose
// another: no display is needed. The process's arguments are captured as the program does.
// On Windows the test processes share one prefix, so each takes application-data folders of its
// own: settings one test writes are never read by another running beside it.
#include "tests/support/app_data.h"
#include "vandel/files.h"
#include "vandel/folders.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class qt_environment : public ::testing::Environment {
public:
    void SetUp() override {
#ifdef _WIN32
        std::wstring temp;
        ASSERT_TRUE(vandel::known_folder(vandel::folder_temp, temp));
        const std::wstring user = temp + L"app-data-user", common = temp + L"app-data-common";
        // A child test process inherits the temporary folder, and so finds these made.
        for (const std::wstring& f : {user, common}) ASSERT_TRUE(vandel::create_directory(f) || vandel::is_directory(f));
        app_data_ = std::make_unique<oblivar::test::scoped_app_data>(user, common);
        ASSERT_TRUE(app_data_->active());
#endif
        vandel::capture_process_args(argc_, argv_);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override {
        app_.reset();
        app_data_.reset();
    }

private:
    int argc_ = 1;
    char name_[9] = "test_gui";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<oblivar::test::scoped_app_data> app_data_;
    std::unique_ptr<QApplication> app_;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new qt_environment);

}  // namespace
