#include "gui/shell/gui_resources.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/zyapp.h"
#include "gui/wipe/page_dialog.h"
#include "gui/wipe/page_file.h"
#include "services/command_bridge.h"
#include "tests/gui/gui_test.h"
#include "tests/services/session_recorder.h"
#include "tests/support/fake_registry.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;
using olvex::PageDialog;

const wchar_t* const memory_key = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";
const wchar_t* const run_once_key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

const char* const texts =
    "KEY: PAGE_PENDING_LAB\nLANG: en\nTEXT: Change pending\n"
    "KEY: PAGE_SUCCESS_MSG\nLANG: en\nTEXT: Done.\n"
    "KEY: PAGE_SHUTDOWN_MSG\nLANG: en\nTEXT: Takes effect at shutdown.\n"
    "KEY: PAGE_SHUTDOWN_QUESTION\nLANG: en\nTEXT: Power off now?\n"
    "KEY: PAGE_FAILED_MSG\nLANG: en\nTEXT: Not changed.\n"
    "KEY: MISC_SUCCESS_TEXT\nLANG: en\nTEXT: Success\n"
    "KEY: MISC_FAILED_TEXT\nLANG: en\nTEXT: Failed\n";

// Records what an elevated copy would have been started with, and answers with exit_code.
class copy_launcher : public olvex::launch_provider {
public:
    explicit copy_launcher(int exit_code) : exit_code_(exit_code), previous_(olvex::set_launch_provider(this)) {}
    ~copy_launcher() override { olvex::set_launch_provider(previous_); }
    int launch(const std::wstring& program, const std::wstring& parameters, int mode, uint64_t,
               bool& started) override {
        this->program = program;
        this->parameters = parameters;
        this->mode = mode;
        started = true;
        return exit_code_;
    }
    std::wstring program, parameters;
    int mode = -1;

private:
    int exit_code_;
    olvex::launch_provider* previous_;
};

// A machine's registry in memory and an administrator (the elevation state given).
class PageDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        olvex::init_gui_resources();
        ASSERT_EQ(load_table(texts), 0);
        QCoreApplication::installTranslator(&translator_);
    }
    void TearDown() override { QCoreApplication::removeTranslator(&translator_); }

    void machine(bool with_value, int value) {
        vandel::registry_key k;
        ASSERT_TRUE(k.create(vandel::registry_local_machine, memory_key));
        if (with_value) k.write_dword(L"ClearPageFileAtShutdown", value);
        vandel::registry_key r;
        ASSERT_TRUE(r.create(vandel::registry_local_machine, run_once_key));
    }
    template <class W>
    static W* child(QWidget& d, const char* name) {
        W* w = d.findChild<W*>(name);
        EXPECT_TRUE(w) << name;
        return w;
    }
    // Chooses the mode's radio as a user does and presses apply; returns the box that answered.
    message_box_answer apply(PageDialog& d, const char* radio, QMessageBox::StandardButton button = QMessageBox::No) {
        child<QRadioButton>(d, radio)->click();
        message_box_answer answer;
        answer.button = button;
        answer.arm();
        child<QPushButton>(d, "apply_btn")->click();
        return answer;
    }

    fake_registry fake;
    scoped_registry_backend scope{fake};
    QInterlang translator_;
    table_scope table_;
};

TEST_F(PageDialogTest, PendingOnlyWhileTheChoiceDiffers) {
    machine(true, 1);
    PageDialog d(nullptr);
    d.show();
    EXPECT_TRUE(child<QRadioButton>(d, "always_rad")->isChecked());
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Oblivar"));
    auto* apply = child<QPushButton>(d, "apply_btn");
    auto* pending = child<QLabel>(d, "pending_lab");
    EXPECT_FALSE(apply->isEnabled());
    child<QRadioButton>(d, "once_rad")->click();
    EXPECT_TRUE(apply->isEnabled());
    EXPECT_EQ(pending->text(), QStringLiteral("Change pending"));
    child<QRadioButton>(d, "always_rad")->click();
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_TRUE(pending->text().isEmpty());
}

TEST_F(PageDialogTest, ApplyInThisProcessReportsAndReadsBack) {
    session_recorder session(olvex::elevation_full);
    machine(true, 0);
    auto& s = olvex::zyapp::instance().settings();
    PageDialog d(nullptr);
    d.show();
    EXPECT_TRUE(child<QRadioButton>(d, "disabled_rad")->isChecked());

    // Off to on: done, and a question whether to power off now (answered no).
    message_box_answer answer = apply(d, "always_rad");
    EXPECT_EQ(answer.seen, 1);
    EXPECT_EQ(answer.caption, QStringLiteral("Success"));
    EXPECT_EQ(answer.text, QStringLiteral("Done.\n\nTakes effect at shutdown.\n\nPower off now?"));
    EXPECT_EQ(answer.buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(session.calls.empty());
    EXPECT_EQ(olvex::page_file_clearing_state(), olvex::page_file_clear_always);
    EXPECT_TRUE(child<QRadioButton>(d, "always_rad")->isChecked());
    EXPECT_FALSE(child<QPushButton>(d, "apply_btn")->isEnabled());
    ASSERT_TRUE(s.has_pagefile_state());
    EXPECT_FALSE(s.get_pagefile_state());  // clearing was off before the program changed it

    // On to next-shutdown-only: the shutdown note, no question.
    answer = apply(d, "once_rad");
    EXPECT_EQ(answer.text, QStringLiteral("Done.\n\nTakes effect at shutdown."));
    EXPECT_EQ(answer.buttons, QMessageBox::Ok);
    EXPECT_EQ(olvex::page_file_clearing_state(), olvex::page_file_clear_next);
    EXPECT_TRUE(child<QRadioButton>(d, "once_rad")->isChecked());

    // Back to off: success alone; the first recorded state stays.
    answer = apply(d, "disabled_rad");
    EXPECT_EQ(answer.text, QStringLiteral("Done."));
    EXPECT_EQ(olvex::page_file_clearing_state(), olvex::page_file_clear_off);
    EXPECT_FALSE(s.get_pagefile_state());
}

TEST_F(PageDialogTest, YesPowersOffAndCloses) {
    session_recorder session(olvex::elevation_full);
    machine(true, 0);
    PageDialog d(nullptr);
    d.show();
    const message_box_answer answer = apply(d, "once_rad", QMessageBox::Yes);
    EXPECT_EQ(answer.seen, 1);
    ASSERT_EQ(session.calls.size(), 1u);
    EXPECT_EQ(session.calls[0], std::make_pair(olvex::session_power_off, false));
    EXPECT_FALSE(d.isVisible());
}

// The question to power off now, just shown, is never answered yes by Enter or Space.
TEST_F(PageDialogTest, NoKeyOnThePowerOffQuestionEndsTheSession) {
    session_recorder session(olvex::elevation_full);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Escape}) {
        machine(true, 0);
        PageDialog d(nullptr);
        d.show();
        child<QRadioButton>(d, "once_rad")->click();
        key_on_next_box press(key, QMessageBox::No);
        child<QPushButton>(d, "apply_btn")->click();
        EXPECT_TRUE(press.closed) << "key " << key;
        EXPECT_TRUE(d.isVisible()) << "key " << key;
    }
    EXPECT_TRUE(session.calls.empty());
}

TEST_F(PageDialogTest, AFailureIsReportedAndTheRegistryShown) {
    session_recorder session(olvex::elevation_full);
    machine(false, 0);  // a machine without the value: every mode fails
    PageDialog d(nullptr);
    d.show();
    const message_box_answer answer = apply(d, "always_rad");
    EXPECT_EQ(answer.caption, QStringLiteral("Failed"));
    EXPECT_EQ(answer.text, QStringLiteral("Not changed."));
    EXPECT_TRUE(child<QRadioButton>(d, "disabled_rad")->isChecked());
    EXPECT_FALSE(child<QPushButton>(d, "apply_btn")->isEnabled());
}

TEST_F(PageDialogTest, ALimitedAdministratorAppliesThroughAnElevatedCopy) {
    session_recorder session(olvex::elevation_limited);
    machine(true, 0);
    struct row {
        const char* radio;
        int exit_code;
        const wchar_t* word;
        const char* caption;
    };
    for (const row& r : {row{"always_rad", 0, L"60000000", "Success"}, row{"once_rad", 0, L"50000000", "Success"},
                         row{"once_rad", 1, L"50000000", "Failed"}, row{"always_rad", -1, L"60000000", "Failed"}}) {
        copy_launcher copy(r.exit_code);
        PageDialog d(nullptr);
        d.show();
        const message_box_answer answer = apply(d, r.radio);
        EXPECT_EQ(copy.mode, olvex::launch_runas_wait) << r.radio;
        EXPECT_NE(copy.program.find(L"zygui.exe"), std::wstring::npos);
        EXPECT_EQ(copy.parameters, std::wstring(L"-cmd ") + r.word) << r.radio;
        EXPECT_EQ(answer.caption, QString::fromLatin1(r.caption)) << r.radio << r.exit_code;
        // This process wrote nothing: the registry still says off.
        EXPECT_EQ(olvex::page_file_clearing_state(), olvex::page_file_clear_off);
    }
}

TEST_F(PageDialogTest, HelpOpensThePageFileSection) {
    url_recorder recorder;
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    PageDialog d(nullptr);
    child<QPushButton>(d, "help_btn")->click();
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_TRUE(recorder.opened[0].path().endsWith(QStringLiteral("user_guide/index.html")));
    EXPECT_EQ(recorder.opened[0].fragment(), QStringLiteral("clear_pagefile"));
}

}  // namespace
