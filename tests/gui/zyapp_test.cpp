#include "gui/shell/qt_text.h"
#include "gui/shell/requesting_window.h"
#include "gui/shell/zyapp.h"
#include "gui/wipe/page_file.h"
#include "services/command_bridge.h"
#include "services/settings.h"
#include "services/shell_extension.h"
#include "tests/gui/gui_test.h"
#include "tests/support/app_data.h"
#include "tests/support/fake_registry.h"
#include "tests/support/sandbox.h"
#include "vandel/file_store.h"
#include "vandel/files.h"
#include "vandel/registry_key.h"
#ifdef _WIN32
#include "vandel/win32/windows.h"
#endif

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {

using namespace oblivar::test;
using olvex::zyapp;

class language_probe : public QWidget {
public:
    int changes = 0;

protected:
    void changeEvent(QEvent* e) override {
        if (e->type() == QEvent::LanguageChange) ++changes;
        QWidget::changeEvent(e);
    }
};

TEST(Zyapp, SetLanguageSwitchesTextsAndTellsEveryWindow) {
    table_scope scope;
    ASSERT_EQ(load_table("KEY: MISC_CLOSE_TEXT\nLANG: en\nTEXT: Close\nLANG: de\nTEXT: Schließen\n"), 0);
    language_probe window;
    zyapp app;
    app.set_language(L"de");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(QCoreApplication::translate("message_form", "close_btn", "MISC_CLOSE_TEXT"),
              QString::fromUtf8("Schließen"));
    const int after_first = window.changes;
    EXPECT_GE(after_first, 1);
    app.set_language(L"xx");  // no such language: English stands in
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(QCoreApplication::translate("message_form", "close_btn", "MISC_CLOSE_TEXT"), QStringLiteral("Close"));
    EXPECT_GT(window.changes, after_first);
}

TEST(Zyapp, OnlyARelaunchedInstanceReturnsToNormalRights) {
    zyapp app;
    EXPECT_FALSE(app.close_for_deelevate());
    app.set_request(olvex::decode_request(olvex::CMD_VIA_HELPER, L"", L"", false));
    QWidget window;
    window.show();
    QTimer::singleShot(0, [&] { EXPECT_TRUE(app.close_for_deelevate()); });
    EXPECT_EQ(QApplication::exec(), olvex::exit_deelevate);
    EXPECT_FALSE(window.isVisible());
}

TEST(Zyapp, NoElevationWhereTheProcessCantBeRaised) {
    zyapp app;
    // Only a limited administrator restarts, and no helper stands beside the tests: nothing starts.
    EXPECT_FALSE(app.relaunch_elevated(olvex::ACTION_WIPE_VOLUMES, 1, 100, L"/x"));
}

}  // namespace

namespace {

// A start with action 17 or 19 shows that dialog alone, centred on the screen under the cursor,
// and the program ends when the user closes it.
TEST(Zyapp, ADialogAskedForAloneIsTheWholeProgram) {
    olvex::zyapp& app = olvex::zyapp::instance();
    const struct {
        uint32_t word;
        const char* window_class;
    } rows[] = {
        {olvex::ACTION_OPTIONS, "olvex::OptionsDialog"},
        {olvex::ACTION_ABOUT, "olvex::AboutDialog"},
#ifdef _WIN32
        {olvex::ACTION_PAGE_FILE, "olvex::PageDialog"},
#endif
    };
    for (const auto& row : rows) {
        app.set_request(olvex::decode_request(row.word, L"", L"", false));
        QString shown;
        QRect geometry;
        int others = 0;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible()) continue;
                if (w->inherits(row.window_class)) {
                    shown = QString::fromLatin1(w->metaObject()->className());
                    geometry = w->frameGeometry();
                    w->close();  // as the user's Close button or the title bar's cross does
                } else {
                    ++others;
                }
            }
        });
        EXPECT_EQ(app.run_windows(L""), 0) << row.window_class;
        EXPECT_EQ(shown, QString::fromLatin1(row.window_class));
        EXPECT_EQ(others, 0);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_LE(std::abs(geometry.center().x() - screen.center().x()), 2) << row.window_class;
        EXPECT_LE(std::abs(geometry.center().y() - screen.center().y()), 2) << row.window_class;
    }
    app.set_request(olvex::start_request{});
}

// Page files are a Windows matter: elsewhere a start that asks for the page-file dialog says so
// in the user's language and ends as a request that could not be carried out.
TEST(Zyapp, APageFileStartWhereThereIsNoPageFileSaysWhy) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has the page-file dialog (ADialogAskedForAloneIsTheWholeProgram shows it)";
#else
    table_scope scope;
    ASSERT_EQ(load_shipped_languages(), L"");
    olvex::zyapp& app = olvex::zyapp::instance();
    app.set_request(olvex::decode_request(olvex::ACTION_PAGE_FILE, L"", L"", false));
    message_box_answer answer;
    answer.button = QMessageBox::Ok;
    answer.arm();
    EXPECT_EQ(app.run_windows(L""), 1);
    EXPECT_EQ(answer.seen, 1);
    EXPECT_EQ(answer.caption, QStringLiteral("Oblivar"));
    EXPECT_EQ(answer.text, olvex::to_qstring(olvex::tr(L"PAGE_NOT_HERE_MSG")));
    EXPECT_TRUE(answer.text.contains(QStringLiteral("Windows"))) << answer.text.toStdString();
    app.set_request(olvex::start_request{});
#endif
}

}  // namespace

namespace {

using namespace oblivar::test;

const wchar_t* const memory_key = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
const wchar_t* const run_once_key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The headless words as a setup program gives them, against a machine's registry in memory that
// clears its page file at every shutdown, with the user's settings in the test's own folders.
class ZyappHeadless : public sandbox_test {
protected:
    void SetUp() override {
        make_dirs(user_);
        make_dirs(common_);
        ASSERT_TRUE(redirect_.active());
        vandel::registry_key k;
        ASSERT_TRUE(k.create(vandel::registry_local_machine, olvex::shell_approved_key()));
        ASSERT_TRUE(k.create(vandel::registry_local_machine, run_once_key));
        ASSERT_TRUE(k.create(vandel::registry_local_machine, memory_key));
        k.write_dword(L"ClearPageFileAtShutdown", 1);
    }

    // Runs word as start-up does; returns the exit code, or -100 when the word was not headless.
    static int run(uint32_t word) {
        olvex::zyapp app;
        olvex::command_bridge bridge(L".tmp");
        bridge.command = word;
        int exit_code = -100;
        return app.run_headless_command(bridge, exit_code) ? exit_code : -100;
    }
    // The machine's clearing value; 99 when it has none.
    static uint32_t clearing() {
        vandel::registry_key k;
        if (!k.open(vandel::registry_local_machine, memory_key, 1) || !k.value_exists(L"ClearPageFileAtShutdown")) return 99;
        return k.read_dword(L"ClearPageFileAtShutdown");
    }
    std::wstring settings_file() const {
        return vandel::settings_file_path(L"Tarnhollow", L"Olvex Main", vandel::store_user_read);
    }

    fake_registry fake;
    scoped_registry_backend scope{fake};
    std::wstring user_ = sb.path(L"roaming");
    std::wstring common_ = sb.path(L"common");
    scoped_app_data redirect_{user_, common_};
};

TEST_F(ZyappHeadless, EachWordChangesWhatItNamesAndSaysWhetherItWorked) {
    EXPECT_EQ(run(olvex::CMD_INSTALL_SHELL_EXTENSION), 0);
    EXPECT_TRUE(olvex::shell_extension_installed());
    EXPECT_EQ(run(olvex::CMD_UNINSTALL_SHELL_EXTENSION), 0);
    EXPECT_FALSE(olvex::shell_extension_installed());
    EXPECT_EQ(run(olvex::CMD_UNINSTALL_SHELL_EXTENSION), 1) << "nothing was there to remove";

    const struct {
        uint32_t word;
        int state;
    } modes[] = {{olvex::CMD_PAGE_FILE_CLEAR_OFF, olvex::page_file_clear_off},
                 {olvex::CMD_PAGE_FILE_CLEAR_NEXT, olvex::page_file_clear_next},
                 {olvex::CMD_PAGE_FILE_CLEAR_ALWAYS, olvex::page_file_clear_always}};
    for (const auto& m : modes) {
        EXPECT_EQ(run(m.word), 0) << std::hex << m.word;
        EXPECT_EQ(olvex::page_file_clearing_state(), m.state) << std::hex << m.word;
    }
    for (uint32_t word : {0u, 0x101u, 0x10000001u, 0x70000000u})
        EXPECT_EQ(run(word), -100) << std::hex << word << " is no headless word";

    // A registry that refuses everything: every word fails.
    fake.set_failing(true);
    for (uint32_t word : {olvex::CMD_INSTALL_SHELL_EXTENSION, olvex::CMD_UNINSTALL, olvex::CMD_UNINSTALL_SHELL_EXTENSION,
                          olvex::CMD_PAGE_FILE_CLEAR_OFF, olvex::CMD_PAGE_FILE_CLEAR_NEXT, olvex::CMD_PAGE_FILE_CLEAR_ALWAYS})
        EXPECT_EQ(run(word), 1) << std::hex << word;
    fake.set_failing(false);
    EXPECT_FALSE(path_exists(settings_file())) << "no word leaves a settings file behind";
    EXPECT_EQ(fake.open_handles(), 0u);
}

// The uninstaller's word switches clearing off again only when the user's settings say it was
// off before Oblivar changed it; without a settings file there is nothing to go by.
TEST_F(ZyappHeadless, UninstallRestoresPageFileClearingOnlyFromAStoredSetting) {
    enum stored { no_file, no_value, was_on, was_off };
    const struct {
        stored settings;
        bool machine_has_value;
        int exit_code;
        uint32_t clearing_after;
    } rows[] = {
        {no_file, true, 0, 1},
        {no_value, true, 0, 1},
        {was_on, true, 0, 1},
        {was_off, true, 0, 0},
        {was_off, false, 1, 99},  // the switch-off fails: so does the word
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.settings));
        vandel::registry_key k;
        ASSERT_TRUE(k.open(vandel::registry_local_machine, memory_key, 2));
        if (r.machine_has_value)
            k.write_dword(L"ClearPageFileAtShutdown", 1);
        else
            k.delete_value(L"ClearPageFileAtShutdown");
        if (r.settings != no_file) {
            olvex::settings s;
            ASSERT_TRUE(s.open(olvex::settings_per_user));
            if (r.settings == no_value)
                s.set_language(L"de");
            else
                s.set_pagefile_state(r.settings == was_on);
            ASSERT_TRUE(s.close());
        }
        ASSERT_EQ(run(olvex::CMD_INSTALL_SHELL_EXTENSION), 0);

        EXPECT_EQ(run(olvex::CMD_UNINSTALL), r.exit_code);
        EXPECT_FALSE(olvex::shell_extension_installed());
        EXPECT_EQ(clearing(), r.clearing_after);
        EXPECT_EQ(path_exists(settings_file()), r.settings != no_file) << "no settings file is made to find out";
        if (path_exists(settings_file())) {
            sb.require_inside(settings_file());
            vandel::remove_path(settings_file(), false);
        }
    }
}

TEST(RequestingWindow, OnlyALiveWindowIsClosedAndNoneIsWaitedForLong) {
    EXPECT_FALSE(olvex::close_requesting_window(0));
#ifndef _WIN32
    EXPECT_FALSE(olvex::close_requesting_window(0x1234)) << "no window handles travel between processes here";
#else
    // A window of another thread, as the requesting instance's is of another process: it either
    // answers (and closes) or hangs on something else.
    struct window_thread {
        explicit window_thread(bool answers) {
            ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            worker = std::thread([this, answers] {
                thread_id = GetCurrentThreadId();
                // A message-only window: it needs no display, and takes WM_CLOSE as any other.
                window = CreateWindowExW(0, L"STATIC", L"requester", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                         nullptr);
                SetEvent(ready);
                if (!answers) WaitForSingleObject(release, INFINITE);
                MSG msg;
                while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
                if (IsWindow(window)) DestroyWindow(window);
            });
            WaitForSingleObject(ready, INFINITE);
        }
        ~window_thread() {
            SetEvent(release);
            PostThreadMessageW(thread_id, WM_QUIT, 0, 0);
            worker.join();
            CloseHandle(ready);
            CloseHandle(release);
        }
        uint64_t handle() const { return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(window)); }

        HANDLE ready = nullptr, release = nullptr;
        HWND window = nullptr;
        DWORD thread_id = 0;
        std::thread worker;
    };

    uint64_t gone = 0;
    {
        window_thread answering(true);
        ASSERT_NE(answering.window, nullptr);
        EXPECT_TRUE(olvex::close_requesting_window(answering.handle()));
        EXPECT_FALSE(IsWindow(answering.window)) << "the window got WM_CLOSE and closed";
        gone = answering.handle();
    }
    EXPECT_FALSE(olvex::close_requesting_window(gone)) << "a handle that names no window any more";

    // Start-up goes on without a requester that doesn't answer.
    window_thread hung(false);
    ASSERT_NE(hung.window, nullptr);
    EXPECT_FALSE(olvex::close_requesting_window(hung.handle(), 50));
#endif
}

}  // namespace
