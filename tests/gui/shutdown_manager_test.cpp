// The shutdown countdown: ten ticks to the session's end through the recorder, abort, and the
// job lock between instances: a second process that holds the lock shared keeps the countdown
// waiting until it lets go, and the countdown never holds the lock between its tests.
#include "gui/wipe/shutdown_manager.h"

#include "tests/gui/gui_test.h"
#include "tests/services/session_recorder.h"
#include "tests/support/child.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"
#include "vandel/lock_file.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

namespace {

using namespace oblivar::test;
using olvex::ShutdownManager;

constexpr int child_ok = 10;

const char* const texts =
    "KEY: SHUTDOWN_WIN_TITLE_LOGOFF\nLANG: en\nTEXT: Log Off When Done\n"
    "KEY: SHUTDOWN_WIN_TITLE_PWROFF\nLANG: en\nTEXT: Shut Down When Done\n"
    "KEY: SHUTDOWN_IMMINENT_TITLE_LOGOFF\nLANG: en\nTEXT: Logging off in %1\n"
    "KEY: SHUTDOWN_IMMINENT_TITLE_PWROFF\nLANG: en\nTEXT: Shutting down in %1\n"
    "KEY: SHUTDOWN_PENDING_TITLE_LOGOFF\nLANG: en\nTEXT: Waiting to log off\n"
    "KEY: SHUTDOWN_PENDING_TITLE_PWROFF\nLANG: en\nTEXT: Waiting to shut down\n"
    "KEY: SHUTDOWN_IMMINENT_TEXT\nLANG: en\nTEXT: Save your work\n"
    "KEY: SHUTDOWN_ABORT_BTN\nLANG: en\nTEXT: Abort\n";

class Shutdown : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(load_table(texts), 0); }

    QString title() const { return dlg.findChild<QLabel*>(QStringLiteral("title_lab"))->text(); }
    // One second of the dialog's timer.
    void tick() {
        ASSERT_NE(dlg.timer_id(), 0);
        QTimerEvent event(dlg.timer_id());
        QCoreApplication::sendEvent(&dlg, &event);
    }
    // Runs mode's countdown with steps run inside the modal loop; returns run's result.
    bool run(int mode, const std::function<void()>& steps) {
        QTimer::singleShot(0, &dlg, [&] {
            steps();
            if (dlg.isVisible()) dlg.reject();
        });
        return dlg.run(mode);
    }

    table_scope scope;
    session_recorder recorder{olvex::elevation_none, false};
    ShutdownManager dlg{nullptr, QIcon()};
};

TEST_F(Shutdown, CountsTenTicksThenEndsTheSession) {
    const bool accepted = run(olvex::session_power_off, [&] {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Shut Down When Done"));
        EXPECT_EQ(title(), QStringLiteral("Shutting down in 10"));
        for (int left = 9; left >= 1; --left) {
            tick();
            EXPECT_EQ(title(), QStringLiteral("Shutting down in %1").arg(left));
            EXPECT_FALSE(dlg.job_lock_held()) << "the lock is taken alone only to test it";
        }
        EXPECT_TRUE(recorder.calls.empty());
        tick();
        EXPECT_FALSE(dlg.isVisible());
    });
    EXPECT_TRUE(accepted) << "a refused session end still counts as run out";
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0], std::make_pair(olvex::session_power_off, false));
    EXPECT_EQ(dlg.timer_id(), 0);

    // Log off: its own texts; the next run starts afresh.
    EXPECT_FALSE(run(olvex::session_log_off, [&] {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Log Off When Done"));
        EXPECT_EQ(title(), QStringLiteral("Logging off in 10"));
        tick();
        EXPECT_EQ(title(), QStringLiteral("Logging off in 9"));
    }));
    EXPECT_EQ(recorder.calls.size(), 1u);
}

TEST_F(Shutdown, AbortEscapeAndWrongModesEndNothing) {
    EXPECT_TRUE(dlg.hold_job_lock());
    for (int mode : {0, 3, -1}) EXPECT_FALSE(dlg.run(mode)) << mode;
    EXPECT_TRUE(dlg.job_lock_held()) << "a refused run leaves the job's hold alone";
    EXPECT_FALSE(run(olvex::session_log_off, [&] {
        EXPECT_FALSE(dlg.run(olvex::session_log_off)) << "already shown";
        tick();
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("abort_btn")), Qt::LeftButton);
    }));
    EXPECT_FALSE(run(olvex::session_power_off, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); }));
    EXPECT_FALSE(run(olvex::session_power_off, [&] { dlg.close(); }));
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_FALSE(dlg.job_lock_held());
    EXPECT_EQ(dlg.timer_id(), 0);
}

// Child side: holds the job lock shared, as another instance's running job does, until the
// parent's word (a file) comes.
TEST(ShutdownChild, HoldsTheJobLock) {
    if (!is_child_test()) GTEST_SKIP() << "runs only as the child of Shutdown.WaitsForAnotherInstancesJob";
    const auto ready = get_env("OBLIVAR_LOCK_READY");
    const auto release = get_env("OBLIVAR_LOCK_RELEASE");
    ASSERT_TRUE(ready && release);
    vandel::lock_file lock;
    ASSERT_TRUE(lock.set_path(olvex::job_lock_name));
    ASSERT_TRUE(lock.acquire_shared());
    write_bytes(*ready, "held");
    // Waits for the word, not for time; gives up only when the parent is gone for good.
    for (int i = 0; i < 120000 && !path_exists(*release); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(path_exists(*release));
    lock.release();
    // Straight out: the test program's Qt application must not be torn down from here.
    std::fflush(nullptr);
    std::_Exit(::testing::Test::HasFailure() ? 1 : child_ok);
}

TEST_F(Shutdown, WaitsForAnotherInstancesJob) {
    sandbox sb;
    const std::wstring ready = sb.path(L"ready"), release = sb.path(L"release");
    scoped_env e1("OBLIVAR_LOCK_READY", ready), e2("OBLIVAR_LOCK_RELEASE", release);
    // Set here, so the runner's thread only replaces it.
    scoped_env e3("OBLIVAR_TEST_CHILD", std::wstring(L"0"));
    int child_result = -1;
    std::thread child([&] { child_result = run_child_test("ShutdownChild.HoldsTheJobLock"); });
    struct joiner {
        std::thread& t;
        const std::wstring& release;
        ~joiner() {
            if (!t.joinable()) return;
            if (!path_exists(release)) write_bytes(release, "go");
            t.join();
        }
    } join_child{child, release};
    ASSERT_TRUE(wait_until([&] { return path_exists(ready) || child_result != -1; }, 60000));
    ASSERT_TRUE(path_exists(ready)) << "the child ended with " << child_result;

    // This instance's own job held the lock too; the countdown gives that hold up.
    ASSERT_TRUE(dlg.hold_job_lock());
    const bool accepted = run(olvex::session_log_off, [&] {
        EXPECT_FALSE(dlg.lock_free());
        EXPECT_EQ(title(), QStringLiteral("Waiting to log off"));
        for (int i = 0; i < 3; ++i) {
            tick();
            EXPECT_EQ(title(), QStringLiteral("Waiting to log off"));
            EXPECT_EQ(dlg.count(), 10);
        }
        write_bytes(release, "go");
        child.join();
        EXPECT_EQ(child_result, child_ok);
        tick();
        EXPECT_EQ(title(), QStringLiteral("Logging off in 10")) << "the countdown starts once the lock is free";
        for (int i = 0; i < 3; ++i) tick();
        EXPECT_EQ(dlg.count(), 7);

        // A job that starts meanwhile is not kept out, and puts the countdown back to waiting.
        vandel::lock_file other_job;
        ASSERT_TRUE(other_job.set_path(olvex::job_lock_name));
        ASSERT_TRUE(other_job.acquire_shared());
        tick();
        EXPECT_EQ(title(), QStringLiteral("Waiting to log off"));
        EXPECT_EQ(dlg.count(), 10);
        other_job.release();
        tick();
        EXPECT_EQ(title(), QStringLiteral("Logging off in 10"));
        EXPECT_TRUE(recorder.calls.empty());
        for (int i = 0; i < 10; ++i) tick();
    });
    EXPECT_TRUE(accepted);
    ASSERT_EQ(recorder.calls.size(), 1u);
    EXPECT_EQ(recorder.calls[0], std::make_pair(olvex::session_log_off, false));
    EXPECT_FALSE(dlg.job_lock_held());
}

TEST(ShutdownEnd, AnAcceptedSessionEndClosesEveryWindow) {
    table_scope scope;
    ASSERT_EQ(load_table(texts), 0);
    session_recorder recorder(olvex::elevation_none, true);
    QWidget main_window;
    main_window.show();
    ShutdownManager dlg(&main_window, QIcon());
    QTimer::singleShot(0, &dlg, [&] {
        for (int i = 0; i < 10 && dlg.isVisible(); ++i) {
            QTimerEvent event(dlg.timer_id());
            QCoreApplication::sendEvent(&dlg, &event);
        }
    });
    EXPECT_TRUE(dlg.run(olvex::session_power_off));
    EXPECT_EQ(recorder.calls.size(), 1u);
    EXPECT_FALSE(main_window.isVisible());
}

}  // namespace
