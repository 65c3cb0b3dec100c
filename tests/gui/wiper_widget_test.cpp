// The job window driven through its buttons on real jobs in the sandbox: files, images for
// volumes and devices, free space on a tmpfs, the Trash; pause, abort, a failed item.
#include "gui/wipe/wiper_widget.h"

#include "gui/shell/gui_resources.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/theme.h"
#include "gui/shell/zyapp.h"
#include "gui/shell/log_window.h"
#include "gui/wipe/animator.h"
#include "gui/wipe/drive_dialog.h"
#include "gui/wipe/shutdown_manager.h"
#include "gui/wipe/job_sound.h"
#include "services/interlang.h"
#include "services/session.h"
#include "tests/gui/gui_test.h"
#include "tests/support/env.h"
#include "tests/support/image_targets.h"
#include "tests/support/manual_clock.h"
#include "tests/support/mount.h"
#include "tests/support/sandbox.h"
#include "tests/support/sandbox_trash.h"
#include "engine/drives.h"
#include "vandel/convert.h"
#include "vandel/files.h"
#include "vandel/lock_file.h"
#include "vandel/memory_stream.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QProgressBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionToolButton>
#include <QToolButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace oblivar::test;
using olvex::WiperWidget;

std::vector<int> sounds_played;
void record_sound(int sound) { sounds_played.push_back(sound); }

class WiperWidgetTest : public sandbox_test {
protected:
    void SetUp() override {
        olvex::init_gui_resources();
        ASSERT_EQ(load_shipped_languages(), L"");
        settings().set_sys_sounds(true);
        settings().set_confirm_wipe(true);
        settings().set_default_scheme(1);
        settings().set_def_verify(false);
        sounds_played.clear();
        previous_player_ = olvex::set_job_sound_player(&record_sound);
    }
    void TearDown() override { olvex::set_job_sound_player(previous_player_); }

    static olvex::settings& settings() { return olvex::zyapp::instance().settings(); }

    template <class T>
    static T* child(WiperWidget& w, const char* name) {
        T* found = w.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    static QString text_of(WiperWidget& w, const char* label) { return child<QLabel>(w, label)->text(); }
    // Waits until the window shows state, polling as its timer does.
    static bool reaches(WiperWidget& w, int32_t state) {
        return wait_until([&] { return w.view().state == state; }, 20000);
    }

    // Answers the next modal message box with button; its text goes to text when given.
    static void answer_box(QMessageBox::StandardButton button, QString* text = nullptr) {
        QTimer::singleShot(0, [button, text] {
            QMessageBox* box = nullptr;
            if (!wait_until([&] { return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); }))
                return;
            if (text) *text = box->text();
            box->button(button)->click();
        });
    }
    // Starts the wipe of the folder t holding big.bin (64 MiB) and stops it inside the file.
    void wipe_into_a_big_file(WiperWidget& w, manual_clock& clock) {
        ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"t")), 0);
        child<QPushButton>(w, "wipe_btn")->click();
        run_into_the_file(w, clock);
        ASSERT_EQ(w.view().state, olvex::state_wiping);
    }
    // Lets the wipe run on the manual clock until the window shows bytes written, and leaves it
    // paused there. The worker takes a pause only when it hands over its status, which may come
    // before its first write: such a pause is lifted again until something was written.
    static void run_into_the_file(WiperWidget& w, manual_clock& clock) {
        QPushButton* pause = child<QPushButton>(w, "reset_pause_btn");
        ASSERT_TRUE(wait_until([&] {
            clock.advance(100);
            w.refresh(false);
            if (w.view().status.done_bytes > 0 || w.view().ended()) return true;
            pause->click();
            return false;
        }, 20000));
        if (w.view().paused || w.view().ended()) return;
        pause->click();
        // The worker takes the pause at its next hand-over, which the clock allows at once:
        // it must not run on to the file's end before the test acts.
        clock.advance(100);
    }

    olvex::job_sound_player previous_player_ = nullptr;
    table_scope scope_;
};

TEST_F(WiperWidgetTest, FilesJobFromARequestRunsToDoneAndTheTreeIsGone) {
    make_dirs(sb.path(L"tree/inner"));
    write_bytes(sb.path(L"tree/a.txt"), std::string(5000, 'a'));
    write_bytes(sb.path(L"tree/inner/b.bin"), std::string(70000, 'b'));
    sb.require_inside(sb.path(L"tree"));

    WiperWidget w;
    EXPECT_EQ(w.view().state, olvex::state_idle);
    EXPECT_FALSE(child<QPushButton>(w, "wipe_btn")->isEnabled());
    ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"tree")), 0);
    EXPECT_EQ(w.view().state, olvex::state_waiting);
    EXPECT_TRUE(child<QPushButton>(w, "wipe_btn")->isEnabled());
    EXPECT_FALSE(w.is_busy());
    // The one folder chosen, as it is, also once the analysis has found the items inside it.
    ASSERT_TRUE(wait_until([&] { return w.view().status.ready; }));
    w.refresh(false);
    EXPECT_GT(w.view().status.item_count, 1);
    EXPECT_EQ(child<QLabel>(w, "loc_lab")->toolTip().toStdString(), olvex::to_qstring(sb.path(L"tree")).toStdString());
    EXPECT_TRUE(path_exists(sb.path(L"tree/a.txt")));  // nothing happens before the go-ahead

    child<QPushButton>(w, "wipe_btn")->click();
    ASSERT_TRUE(reaches(w, olvex::state_done));
    EXPECT_FALSE(path_exists(sb.path(L"tree")));
    EXPECT_EQ(w.update_timer_id(), 0);
    EXPECT_EQ(child<QProgressBar>(w, "progress_bar")->value(), 100);
    EXPECT_EQ(text_of(w, "title_lab"), olvex::to_qstring(olvex::tr(L"WIPER_SUCCESS_TOP_LAB")));
    EXPECT_EQ(w.state_caption(), olvex::to_qstring(olvex::tr(L"MISC_DONE_TEXT")));
    EXPECT_EQ(sounds_played, std::vector<int>{olvex::sound_done});
    EXPECT_TRUE(child<QPushButton>(w, "reset_pause_btn")->isEnabled());

    child<QPushButton>(w, "reset_pause_btn")->click();
    EXPECT_EQ(w.view().state, olvex::state_idle);
    EXPECT_EQ(child<QProgressBar>(w, "progress_bar")->value(), 0);
}


// A big file's wipe paused inside the file: the window says so and resumes it to the end;
// meanwhile a new job from the menu is refused with the busy message.
TEST_F(WiperWidgetTest, PauseThenResume) {
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/big.bin"), pattern_bytes(64 << 20, "original"));
    sb.require_inside(sb.path(L"t"));
    manual_clock clock;
    WiperWidget w;
    wipe_into_a_big_file(w, clock);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(w.view().paused);
    EXPECT_TRUE(w.is_busy());
    EXPECT_EQ(child<QPushButton>(w, "reset_pause_btn")->text(), olvex::to_qstring(olvex::tr(L"WIPER_RESUME_BTN")));
    EXPECT_EQ(w.taskbar_progress(), -1);
    EXPECT_EQ(w.view().image, olvex::picture_paused);

    QString busy;
    answer_box(QMessageBox::Ok, &busy);
    EXPECT_EQ(w.new_job(olvex::job_files), 1);
    EXPECT_EQ(busy, olvex::to_qstring(olvex::tr(L"DIALOG_NEW_JOB_BUSY_MSG")));
    EXPECT_EQ(w.view().state, olvex::state_wiping);

    child<QPushButton>(w, "reset_pause_btn")->click();
    EXPECT_FALSE(w.view().paused);
    ASSERT_TRUE(reaches(w, olvex::state_done));
    EXPECT_FALSE(path_exists(sb.path(L"t")));
}

TEST_F(WiperWidgetTest, AbortMidFileLeavesItInPlaceAndShowsAborted) {
    const std::string original = pattern_bytes(64 << 20, "original");
    make_dirs(sb.path(L"t"));
    write_bytes(sb.path(L"t/big.bin"), original);
    sb.require_inside(sb.path(L"t"));
    manual_clock clock;
    WiperWidget w;
    wipe_into_a_big_file(w, clock);
    if (HasFatalFailure()) return;
    ASSERT_LT(w.view().status.done_bytes, w.view().status.work_bytes);
    EXPECT_EQ(child<QPushButton>(w, "abort_close_btn")->text(), olvex::to_qstring(olvex::tr(L"WIPER_ABORT_BTN")));
    child<QPushButton>(w, "abort_close_btn")->click();
    ASSERT_TRUE(reaches(w, olvex::state_aborted));
    EXPECT_EQ(read_bytes(sb.path(L"t/big.bin")).size(), original.size());
    EXPECT_EQ(text_of(w, "title_lab"), olvex::to_qstring(olvex::tr(L"WIPER_ABORTED_TOP_LAB")));
    EXPECT_EQ(text_of(w, "status_lab"), olvex::to_qstring(olvex::tr(L"WIPER_ABORTED_DETAIL_LAB")));
    EXPECT_EQ(child<QPushButton>(w, "abort_close_btn")->text(), olvex::to_qstring(olvex::tr(L"WIPER_CLOSE_BTN")));
    EXPECT_EQ(w.view().image, olvex::picture_error);
    EXPECT_TRUE(sounds_played.empty());
}

// One of two files is gone when the wipe starts: the other is wiped and the job is partly done.
TEST_F(WiperWidgetTest, AFailedItemShowsPartlyDone) {
    write_bytes(sb.path(L"a.txt"), "a");
    write_bytes(sb.path(L"b.txt"), "b");
    sb.require_inside(sb.path(L"a.txt"));
    WiperWidget w;
    ASSERT_EQ(w.start_job(olvex::job_files, olvex::join_path_list({sb.path(L"a.txt"), sb.path(L"b.txt")})), 0);
    ASSERT_TRUE(reaches(w, olvex::state_waiting));
    ASSERT_TRUE(wait_until([&] { return w.view().status.ready; }));
    EXPECT_EQ(w.view().status.file_count, 2);
    // Two paths chosen: their folder, and the words that say more follow. The analysis counted
    // them after the window showed the job; the next poll brings the words.
    const QString more = olvex::to_qstring(olvex::tr_arg(L"WIPER_LOC_MULTI_ITEM_LAB", w.job_engine().job_title(false)));
    EXPECT_TRUE(wait_until([&] { return child<QLabel>(w, "loc_lab")->toolTip() == more; }))
        << child<QLabel>(w, "loc_lab")->toolTip().toStdString();
    ASSERT_TRUE(vandel::detail::delete_file(sb.path(L"b.txt")));
    child<QPushButton>(w, "wipe_btn")->click();
    ASSERT_TRUE(reaches(w, olvex::state_partly_done));
    EXPECT_FALSE(path_exists(sb.path(L"a.txt")));
    EXPECT_EQ(text_of(w, "title_lab"), olvex::to_qstring(olvex::tr(L"WIPER_PARTIAL_TOP_LAB")));
    EXPECT_EQ(w.view().image, olvex::picture_warning);
    EXPECT_EQ(w.taskbar_progress(), -2);
    EXPECT_EQ(sounds_played, std::vector<int>{olvex::sound_partly_done});
}

// A refused set-up shows the engine's text and leaves the window as it was.
TEST_F(WiperWidgetTest, ARefusedJobShowsTheEnginesReason) {
    WiperWidget w;
    QString text;
    answer_box(QMessageBox::Ok, &text);
    EXPECT_EQ(w.start_job(olvex::job_files, std::wstring()), olvex::err_invalid_input);
    EXPECT_EQ(text, olvex::to_qstring(olvex::error_text(olvex::err_invalid_input)));
    EXPECT_EQ(w.view().state, olvex::state_idle);
    EXPECT_EQ(w.start_job(olvex::job_none, sb.path(L"x")), olvex::err_failed);
    EXPECT_EQ(w.start_job(6, sb.path(L"x")), olvex::err_failed);
}

class WiperWidgetTargets : public WiperWidgetTest {
protected:
    static constexpr size_t image_size = 256 * 1024;
    void SetUp() override {
        WiperWidgetTest::SetUp();
        settings().set_default_scheme(0);  // zeros, and the combo's first entry is taken too
        t.add_device(2, {t.image(L"disk2.img", image_size), L"SER-2", 512, true, true});
        t.add_volume({volume_root, t.image(L"v.img", image_size), L"DATA", olvex::kind_fixed, {2}, false, L"", -1});
    }
    bool all_zero(const wchar_t* image) const { return read_bytes(sb.path(image)) == std::string(image_size, '\0'); }
    bool untouched(const wchar_t* image) const { return read_bytes(sb.path(image)) == std::string(image_size, 'x'); }
    void TearDown() override {
        settings().set_default_scheme(1);
        WiperWidgetTest::TearDown();
    }

    image_targets t{sb};
    const std::wstring volume_root = t.folder(L"v");
};

TEST_F(WiperWidgetTargets, VolumeJobAsksBeforeItWipes) {
    WiperWidget w;
    EXPECT_EQ(w.scheme_word(), 0);
    ASSERT_EQ(w.start_job(olvex::job_volumes, volume_root), 0);
    EXPECT_EQ(w.job_engine().job_options().scheme, 0u);
    EXPECT_EQ(text_of(w, "loc_prefix_lab"), olvex::to_qstring(olvex::tr(L"WIPER_PREFIX_VOLUME")));
    QString question;
    answer_box(QMessageBox::Yes, &question);
    child<QPushButton>(w, "wipe_btn")->click();
    EXPECT_EQ(question, olvex::to_qstring(olvex::tr(L"DIALOG_CONFIRM_WIPE_MSG")));
    ASSERT_TRUE(reaches(w, olvex::state_done));
    EXPECT_TRUE(all_zero(L"v.img"));
    EXPECT_TRUE(untouched(L"disk2.img"));
    EXPECT_EQ(child<QProgressBar>(w, "progress_bar")->value(), 100);
}

TEST_F(WiperWidgetTargets, DeviceJobRefusedAtTheQuestionIsAbortedUntouched) {
    WiperWidget w;
    ASSERT_EQ(w.start_job(olvex::job_devices, L"PhysicalDrive2"), 0);
    EXPECT_EQ(text_of(w, "loc_prefix_lab"), olvex::to_qstring(olvex::tr(L"WIPER_PREFIX_DEVICE")));
    answer_box(QMessageBox::Abort);
    child<QPushButton>(w, "wipe_btn")->click();
    ASSERT_TRUE(reaches(w, olvex::state_aborted));
    EXPECT_TRUE(untouched(L"disk2.img"));
    // Nothing was written: the window says so, with the device's own picture, not a failure's.
    EXPECT_EQ(text_of(w, "title_lab"), olvex::to_qstring(olvex::tr(L"WIPER_CANCELLED_TOP_LAB")));
    EXPECT_EQ(text_of(w, "status_lab"), olvex::to_qstring(olvex::tr(L"WIPER_CANCELLED_DETAIL_LAB")));
    EXPECT_EQ(w.view().image, olvex::picture_device);
}

// Enter, Space or Escape on the question just shown never start the wipe: the job is aborted and
// the volume untouched.
TEST_F(WiperWidgetTargets, NoKeyOnTheQuestionWipes) {
    WiperWidget w;
    w.show();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Escape}) {
        SCOPED_TRACE(testing::Message() << "key " << key);
        ASSERT_EQ(w.start_job(olvex::job_volumes, volume_root), 0);
        key_on_next_box press(key, QMessageBox::Abort);
        child<QPushButton>(w, "wipe_btn")->click();
        EXPECT_TRUE(press.closed);
        ASSERT_TRUE(reaches(w, olvex::state_aborted));
        EXPECT_TRUE(untouched(L"v.img"));
    }
}

TEST_F(WiperWidgetTargets, DeviceJobWithoutTheQuestionWipesTheImage) {
    settings().set_confirm_wipe(false);
    WiperWidget w;
    ASSERT_EQ(w.start_job(olvex::job_devices, L"PhysicalDrive2"), 0);
    child<QPushButton>(w, "wipe_btn")->click();  // no box: a question would hang here
    ASSERT_TRUE(reaches(w, olvex::state_done));
    settings().set_confirm_wipe(true);
    EXPECT_TRUE(all_zero(L"disk2.img"));
    EXPECT_TRUE(untouched(L"v.img"));
}

TEST_F(WiperWidgetTest, FreeSpaceJobOnATmpfsKeepsWhatWasThere) {
    scoped_tmpfs fs(sb, sb.path(L"fs"), 2048);
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    write_bytes(sb.path(L"fs/keep.txt"), "keep");
    sb.require_inside(fs.path());
    WiperWidget w;
    ASSERT_EQ(w.start_job(olvex::job_free_space, fs.path()), 0);
    EXPECT_EQ(w.job_engine().job_options().empty_recycler, 0);
    child<QPushButton>(w, "wipe_btn")->click();  // no question for free space
    ASSERT_TRUE(reaches(w, olvex::state_done));
    EXPECT_EQ(read_bytes(sb.path(L"fs/keep.txt")), "keep");
    EXPECT_EQ(list_tree(fs.path()), std::vector<std::wstring>{L"keep.txt"});
    EXPECT_EQ(child<QProgressBar>(w, "progress_bar")->value(), 100);
}

// The free-space picker's check box empties the bins only when the picker was accepted, and only
// for the job it started; the job waits for its start and is aborted with nothing written.
TEST_F(WiperWidgetTest, EmptyBinChoiceComesOnlyFromAnAcceptedFreeSpacePicker) {
    scoped_tmpfs fs(sb, sb.path(L"fs"), 1024);
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    image_targets t(sb);
    image_targets::volume v;
    v.root = fs.path() + L"/";
    v.label = L"SMALL";
    v.kind = olvex::kind_fixed;
    t.add_volume(v);
    sb.require_inside(fs.path());
    WiperWidget w;
    olvex::ZyDrives* picker = w.drive_dialog();
    ASSERT_NE(picker, nullptr);
    // Ticks the volume and the check box as told, then presses OK or Cancel.
    auto answer_picker = [picker](bool empty_bins, bool accept) {
        QTimer::singleShot(0, picker, [=] {
            auto* list = picker->findChild<QListWidget*>(QStringLiteral("list_widget"));
            if (!wait_until([&] { return list->count() == 1 && (list->item(0)->flags() & Qt::ItemIsEnabled); }))
                return;
            list->item(0)->setCheckState(Qt::Checked);
            picker->set_option_checked(empty_bins);
            picker->findChild<QPushButton*>(QString::fromLatin1(accept ? "ok_btn" : "cancel_btn"))->click();
        });
    };
    auto abort_waiting_job = [&] {
        ASSERT_EQ(w.view().state, olvex::state_waiting);
        child<QPushButton>(w, "abort_close_btn")->click();
        ASSERT_TRUE(reaches(w, olvex::state_aborted));
    };

    answer_picker(true, true);
    ASSERT_EQ(w.new_job(olvex::job_free_space), 0);
    EXPECT_EQ(w.job_engine().job_options().empty_recycler, 1);
    EXPECT_EQ(w.job_engine().job_options().job_type, olvex::job_free_space);
    abort_waiting_job();

    answer_picker(true, false);
    EXPECT_EQ(w.new_job(olvex::job_free_space), olvex::err_aborted);  // cancelled: nothing changes
    EXPECT_EQ(w.view().state, olvex::state_aborted);
    ASSERT_EQ(w.start_job(olvex::job_free_space, fs.path()), 0);
    EXPECT_EQ(w.job_engine().job_options().empty_recycler, 0);
    abort_waiting_job();

    answer_picker(false, true);
    ASSERT_EQ(w.new_job(olvex::job_free_space), 0);
    EXPECT_EQ(w.job_engine().job_options().empty_recycler, 0);
    abort_waiting_job();
    EXPECT_EQ(list_tree(fs.path()), std::vector<std::wstring>{});
}

TEST_F(WiperWidgetTest, TrashJobEmptiesTheSandboxTrash) {
#ifdef _WIN32
    GTEST_SKIP() << "the Trash is a freedesktop folder";
#else
    const sandbox_trash sandbox_bin(sb);
    const std::wstring& trash = sandbox_bin.folder;
    // The bin of the sandbox's volume must be the sandbox's Trash, or nothing runs.
    ASSERT_EQ(olvex::recycler_folder(sb.root()), trash + L"/");
    sb.require_inside(trash);
    WiperWidget w;
    ASSERT_EQ(w.start_job(olvex::job_recycler, sb.root()), 0);
    EXPECT_EQ(text_of(w, "loc_prefix_lab"), olvex::to_qstring(olvex::tr(L"WIPER_PREFIX_TRASH")));
    child<QPushButton>(w, "wipe_btn")->click();
    ASSERT_TRUE(reaches(w, olvex::state_done));
    EXPECT_TRUE(list_tree(trash).empty());
    EXPECT_EQ(read_bytes(sb.path(L"other.txt")), "other");
#endif
}

// The speed, scheme and verification shown are what the job gets; once the wipe was started the
// scheme stays; a language change sets the shutdown choice back to none.
TEST_F(WiperWidgetTest, ChoicesReachTheJob) {
    write_bytes(sb.path(L"a.txt"), "a");
    sb.require_inside(sb.path(L"a.txt"));
    settings().set_verify_scheme(static_cast<int32_t>(0xC0000000u));
    WiperWidget w;
    // The speed as the user sees it: the menu's tick and the button's picture.
    auto shows = [&](const char* action, const char* icon) {
        const QImage shown = child<QToolButton>(w, "speed_btn")->icon().pixmap(16).toImage();
        return child<QAction>(w, action)->isChecked() &&
               shown == QIcon(QString::fromLatin1(icon)).pixmap(16).toImage();
    };
    child<QAction>(w, "slow_action")->trigger();
    EXPECT_TRUE(shows("slow_action", ":/main/speed_slow.png"));
    EXPECT_EQ(w.job_engine().speed(), 30);
    // A relaunch's speed falls into the three bands; one outside 1 to 100 changes nothing.
    w.set_speed(92);
    w.set_speed(0);
    w.set_speed(101);
    EXPECT_TRUE(shows("med_action", ":/main/speed_med.png"));

    child<QCheckBox>(w, "verify_chk")->click();
    child<QComboBox>(w, "scheme_cmb")->setCurrentIndex(3);
    EXPECT_EQ(static_cast<uint32_t>(w.scheme_word()), 0xC0000003u);
    ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"a.txt")), 0);
    // The job starts at the speed shown, and a relaunch would carry it.
    EXPECT_EQ(w.job_engine().job_options().speed, 65);
    EXPECT_EQ(w.job_engine().job_options().scheme, 0xC0000003u);
    EXPECT_EQ(w.speed_percent(), 65);
    ASSERT_TRUE(wait_until([&] { return w.view().status.ready; }));
    child<QPushButton>(w, "wipe_btn")->click();
    EXPECT_FALSE(child<QComboBox>(w, "scheme_cmb")->isEnabled());
    // Chosen from the menu while the job runs, the speed goes to the engine at once (which hands
    // it to the running item).
    child<QAction>(w, "max_action")->trigger();
    EXPECT_TRUE(shows("max_action", ":/main/speed_max.png"));
    EXPECT_EQ(w.job_engine().speed(), 100);
    ASSERT_TRUE(reaches(w, olvex::state_done));
    settings().set_verify_scheme(INT32_MIN);

    w.select_shutdown_mode(2);
    EXPECT_EQ(w.shutdown_mode(), 2);
    w.select_shutdown_mode(7);
    EXPECT_EQ(w.shutdown_mode(), 2);
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&w, &change);
    EXPECT_EQ(w.shutdown_mode(), 0);
}

// A done files job from Explorer closes the program a second later unless the log is open by
// then; in dialog mode the job window has no pickers.
TEST_F(WiperWidgetTest, DoneFilesJobInDialogModeClosesItself) {
    olvex::zyapp& app = olvex::zyapp::instance();
    const olvex::start_request was = app.request();
    olvex::start_request request;
    request.dialog_mode = true;
    app.set_request(request);
    settings().set_auto_close(true);
    write_bytes(sb.path(L"a.txt"), "a");
    sb.require_inside(sb.path(L"a.txt"));
    {
        WiperWidget w;
        EXPECT_EQ(w.new_job(olvex::job_files), olvex::err_failed);
        w.show();
        ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"a.txt")), 0);
        child<QPushButton>(w, "wipe_btn")->click();
        ASSERT_TRUE(reaches(w, olvex::state_done));
        EXPECT_FALSE(child<QPushButton>(w, "reset_pause_btn")->isEnabled());
        EXPECT_TRUE(wait_until([&] { return !w.isVisible(); }));
    }
    write_bytes(sb.path(L"b.txt"), "b");
    {
        // The second before the close is the user's chance to open the log: then it stays.
        WiperWidget w;
        w.show();
        ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"b.txt")), 0);
        child<QPushButton>(w, "wipe_btn")->click();
        ASSERT_TRUE(reaches(w, olvex::state_done));
        ASSERT_TRUE(w.auto_close_timer()->isActive());
        child<QPushButton>(w, "log_btn")->click();
        ASSERT_TRUE(wait_until([&] { return !w.auto_close_timer()->isActive(); }));
        QApplication::processEvents();
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.log_window()->isVisible());
        w.log_window()->hide();
    }
    settings().set_auto_close(false);
    app.set_request(was);
}

// The log window shows the job's lines as they come and writes the same lines to a new file in
// the log folder; the next job gets a new file.
TEST_F(WiperWidgetTest, LogWindowHoldsTheJobsLinesAndItsFile) {
    make_dirs(sb.path(L"logs"));
    settings().set_log_location(sb.path(L"logs"));
    settings().set_logfile_lifetime(0);
    write_bytes(sb.path(L"a.txt"), "a");
    sb.require_inside(sb.path(L"a.txt"));
    WiperWidget w;
    ASSERT_NE(w.log_window(), nullptr);
    ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"a.txt")), 0);
    child<QPushButton>(w, "wipe_btn")->click();
    ASSERT_TRUE(reaches(w, olvex::state_done));
    settings().set_log_location(L"");

    QString shown = w.log_window()->findChild<QPlainTextEdit*>(QStringLiteral("text_edit"))->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("FINISHED: All Done OK"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("a.txt ... OK"))) << shown.toStdString();
    const std::vector<std::wstring> files = list_tree(sb.path(L"logs"));
    ASSERT_EQ(files.size(), 1u);
    std::string written = read_bytes(sb.path(L"logs/") + files[0]);
    if (written.compare(0, 3, "\xEF\xBB\xBF") == 0) written.erase(0, 3);
    QString from_file = QString::fromUtf8(written.data(), static_cast<int>(written.size()));
    from_file.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(from_file.trimmed(), shown.trimmed());

    EXPECT_FALSE(w.log_window()->isVisible());
    child<QPushButton>(w, "log_btn")->click();
    EXPECT_TRUE(w.log_window()->isVisible());
    w.log_window()->hide();
}

// The location reads whole where it fits the label, also after the prefix beside it changed
// with the job; a path too long for the label keeps its start and its name, and its tool tip
// holds it whole.
TEST_F(WiperWidgetTest, LocationIsShortenedOnlyWhereItDoesNotFit) {
    WiperWidget w;
    w.resize(604, 436);
    w.show();
    QLabel* location = child<QLabel>(w, "loc_lab");
    ASSERT_TRUE(wait_until([&] { return location->width() > 0; }));
    olvex::job_status status;
    status.job_type = olvex::job_files;
    status.path_count = 1;
    auto fits = [&] { return location->fontMetrics().horizontalAdvance(location->text()) <= location->contentsRect().width(); };

    const QString whole = QStringLiteral("/home/ann/Documents/tax-return-2023.pdf");
    w.show_status(status, olvex::state_waiting, false, olvex::from_qstring(whole), true);
    EXPECT_TRUE(wait_until([&] { return location->text() == whole; })) << location->text().toStdString();

    QString long_path = QStringLiteral("/home/ann");
    for (int i = 0; i < 12; ++i) long_path += QStringLiteral("/a folder with a long name %1").arg(i);
    long_path += QStringLiteral("/statement.pdf");
    w.show_status(status, olvex::state_waiting, false, olvex::from_qstring(long_path), true);
    QApplication::processEvents();
    EXPECT_EQ(location->toolTip(), long_path);
    EXPECT_TRUE(location->text().startsWith(QStringLiteral("/home/ann/"))) << location->text().toStdString();
    EXPECT_TRUE(location->text().endsWith(QStringLiteral("statement.pdf"))) << location->text().toStdString();
    EXPECT_NE(location->text(), long_path);
    EXPECT_TRUE(fits());
    w.resize(480, 436);
    EXPECT_TRUE(wait_until(fits)) << location->text().toStdString();
}

// A real long location as the user sees it: a name that fits the label alone is never cut, the
// folders before it are, from the end; so in a list, beside its words that say more.
TEST_F(WiperWidgetTest, LocationKeepsTheNameWhole) {
    WiperWidget w;
    w.resize(800, 436);
    w.show();
    QLabel* location = child<QLabel>(w, "loc_lab");
    ASSERT_TRUE(wait_until([&] { return location->width() > 0; }));
    const QString name = QStringLiteral("Quarterly-payroll-summary-final-v3.xlsx");
    QString path = QStringLiteral("/home/ann");
    for (const char* folder : {"Documents", "Finance and payroll", "Scanned letters from the bank", "Second account"})
        path += QLatin1Char('/') + QLatin1String(folder);
    path += QLatin1Char('/') + name;
    const QString more = olvex::to_qstring(olvex::tr_arg(L"WIPER_LOC_MULTI_ITEM_LAB", olvex::from_qstring(path)));
    const QString words = more.mid(more.indexOf(name) + name.size());
    ASSERT_FALSE(words.isEmpty());
    olvex::job_status status;
    status.job_type = olvex::job_files;
    for (int paths : {1, 2}) {
        SCOPED_TRACE(testing::Message() << paths << " paths");
        status.path_count = paths;
        w.show_status(status, olvex::state_waiting, false, olvex::from_qstring(path), true);
        QApplication::processEvents();
        const QString shown = location->text();
        const QString end = QLatin1Char('/') + name + (paths > 1 ? words : QString());
        EXPECT_NE(shown, location->toolTip());
        EXPECT_TRUE(shown.startsWith(QLatin1Char('/'))) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(QChar(0x2026) + end)) << shown.toStdString() << " in " << location->width();
        EXPECT_LE(location->fontMetrics().horizontalAdvance(shown), location->contentsRect().width());
    }
}

// The figures say only what is known: no speed in a wipe's first second (its rate is not
// measured yet), the time left as soon as there is a speed and a total, up to its last second;
// the bar stays short of full until the job has ended.
TEST_F(WiperWidgetTest, FiguresShowOnlyWhatIsKnown) {
    manual_clock clock;
    WiperWidget w;
    QLabel* speed = child<QLabel>(w, "speed_lab");
    QLabel* time = child<QLabel>(w, "time_lab");
    QProgressBar* bar = child<QProgressBar>(w, "progress_bar");
    const std::string one_second = "1 " + vandel::to_utf8(olvex::tr(L"MISC_SECOND_TEXT"), '?');
    olvex::job_status status;
    status.job_type = olvex::job_free_space;
    status.total_bytes = status.work_bytes = 10 << 20;
    status.done_bytes = 1 << 20;
    status.rate = 0;  // the first second, as the engine reports it
    status.eta_seconds = -1;
    w.show_status(status, olvex::state_wiping, false, L"/home/", true);
    EXPECT_EQ(speed->text().toStdString(), "");
    EXPECT_EQ(time->text().toStdString(), "");

    // Well inside the second the labels keep, a first speed: a job this short ends before the next.
    clock.advance(200);
    status.done_bytes = 9 << 20;
    status.rate = 1 << 20;
    status.eta_seconds = 1;
    w.show_status(status, olvex::state_wiping, false, L"/home/", false);
    EXPECT_EQ(speed->text().toStdString(), "1 MB / sec");
    EXPECT_EQ(time->text().toStdString(), one_second);

    // Less than a second's bytes left: the engine's own estimate reads 0, yet the job still works.
    clock.advance(1000);
    status.done_bytes = (10 << 20) - 1000;
    status.eta_seconds = 0;
    w.show_status(status, olvex::state_wiping, false, L"/home/", false);
    EXPECT_EQ(time->text().toStdString(), one_second);

    // The free space found is more than the total: the bar stays short of full until the end.
    clock.advance(1000);
    status.done_bytes = status.work_bytes = 12 << 20;
    w.show_status(status, olvex::state_wiping, false, L"/home/", false);
    EXPECT_EQ(bar->value(), 99);
    EXPECT_EQ(time->text().toStdString(), "");
    EXPECT_EQ(speed->text().toStdString(), "1 MB / sec");
    status.rate = -1;
    w.show_status(status, olvex::state_done, false, L"/home/", false);
    EXPECT_EQ(bar->value(), 100);
    EXPECT_EQ(speed->text().toStdString(), "");
}

// The speed button's drop-down arrow stands out from the button's face on every theme: some
// pixel of the arrow's part differs from that part's own background by at least 3:1, the least
// contrast that a control's parts need to be seen.
TEST_F(WiperWidgetTest, SpeedArrowIsVisibleOnEveryTheme) {
    const int32_t was = settings().get_theme_color();
    auto luminance = [](QRgb c) {
        auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    for (int theme = 0; theme < olvex::theme_count; ++theme) {
        SCOPED_TRACE(testing::Message() << "theme " << theme);
        settings().set_theme_color(theme);
        WiperWidget w;
        w.show();
        auto* button = child<QToolButton>(w, "speed_btn");
        ASSERT_TRUE(wait_until([&] { return button->isVisible() && button->width() > 0; }));
        QStyleOptionToolButton option;
        option.initFrom(button);
        option.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
        option.features = QStyleOptionToolButton::MenuButtonPopup | QStyleOptionToolButton::HasMenu;
        const QRect part = button->style()->subControlRect(QStyle::CC_ToolButton, &option,
                                                           QStyle::SC_ToolButtonMenu, button);
        // Inside the part's frame, where only its face and its arrow are drawn.
        const QRect inner = part.adjusted(3, 3, -3, -3);
        ASSERT_TRUE(inner.isValid());
        const QImage shot = button->grab().toImage();
        std::map<QRgb, int> counts;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x) ++counts[shot.pixel(x, y)];
        QRgb face = 0;
        int most = 0;
        for (const auto& [color, count] : counts)
            if (count > most) most = count, face = color;
        double best = 1;
        for (const auto& entry : counts) {
            const double a = luminance(entry.first), b = luminance(face);
            best = std::max(best, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
        }
        EXPECT_GE(best, 3.0);
    }
    settings().set_theme_color(was);
}

// The when-done list and its box are as wide as their longest item, in the language shown, also
// at the window's least size and after a change to a language with longer texts.
TEST_F(WiperWidgetTest, WhenDoneListFitsItsLongestItem) {
    WiperWidget w;
    w.show();
    auto* combo = child<QComboBox>(w, "shutdown_cmb");
    // What is cut at the least size: empty when the box and its open list show every item whole.
    auto cut_at_least_size = [&]() -> std::string {
        w.resize(1, 1);  // the layout keeps it at its least size
        QWidget* last = child<QPushButton>(w, "log_btn");
        if (!wait_until([&] { return w.width() == w.minimumWidth() && last->geometry().right() < w.width(); }))
            return "the window is not laid out at its least size";
        if (combo->width() < combo->sizeHint().width())
            return "box " + std::to_string(combo->width()) + " < " + std::to_string(combo->sizeHint().width());
        // A menu of the same items, which Qt sizes to show them whole, tells what they need.
        QMenu menu;
        menu.setStyle(combo->style());
        for (int i = 0; i < combo->count(); ++i) menu.addAction(combo->itemIcon(i), combo->itemText(i));
        QStyle* style = combo->style();
        const int need = menu.sizeHint().width() - 2 * style->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, &menu) -
                         2 * style->pixelMetric(QStyle::PM_MenuHMargin, nullptr, &menu);
        QTest::keyClick(combo, Qt::Key_F4);  // opens the list, as Alt+Down does
        QAbstractItemView* list = combo->view();
        if (!wait_until([&] { return list->isVisible(); })) return "the list did not open";
        const int room = list->viewport()->width();
        combo->hidePopup();
        return room < need ? "list " + std::to_string(room) + " < " + std::to_string(need) : std::string();
    };
    // Every item says what it does; none is a bare picture.
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), olvex::to_qstring(olvex::tr(L"SHUTDOWN_NONE_ITEM")));
    for (int i = 0; i < combo->count(); ++i) EXPECT_FALSE(combo->itemText(i).isEmpty()) << i;
    EXPECT_EQ(combo->currentText(), combo->itemText(0));
    EXPECT_EQ(cut_at_least_size(), "");

    const std::string longer =
        "KEY: SHUTDOWN_WIN_TITLE_LOGOFF\nLANG: xx\nTEXT: Sign the user out of the session once the wipe is done\n"
        "KEY: SHUTDOWN_WIN_TITLE_PWROFF\nLANG: xx\nTEXT: Switch the whole computer off once the wipe is done\n";
    olvex::interlang& table = olvex::interlang::instance();
    vandel::memory_stream file(longer.data(), static_cast<int64_t>(longer.size()));
    {
        olvex::interlang::update_scope update(table);
        int line = 0;
        ASSERT_TRUE(table.parse_language_file(file, line));
        table.set_languages(L"xx", L"en");
    }
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&w, &change);
    ASSERT_EQ(combo->itemText(2).toStdString(), "Switch the whole computer off once the wipe is done");
    EXPECT_EQ(cut_at_least_size(), "");
}

// The job lock is held shared while the job is active, so another copy's countdown waits; one
// that could not be had at the start is taken at a later poll; it goes with the job's end.
TEST_F(WiperWidgetTest, JobLockIsHeldWhileTheJobIsActiveAndRetried) {
    write_bytes(sb.path(L"a.txt"), "a");
    sb.require_inside(sb.path(L"a.txt"));
    vandel::lock_file other;
    ASSERT_TRUE(other.set_path(olvex::job_lock_name));
    ASSERT_TRUE(other.acquire_exclusive());
    WiperWidget w;
    olvex::ShutdownManager* shutdown = w.shutdown_manager();
    ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"a.txt")), 0);
    EXPECT_FALSE(shutdown->job_lock_held());
    other.release();
    ASSERT_TRUE(wait_until([&] { return shutdown->job_lock_held(); }));
    EXPECT_FALSE(other.acquire_exclusive());
    child<QPushButton>(w, "wipe_btn")->click();
    ASSERT_TRUE(reaches(w, olvex::state_done));
    EXPECT_FALSE(shutdown->job_lock_held());
    EXPECT_TRUE(other.acquire_exclusive());
    other.release();
}

// With a shutdown chosen, a done job hands over to the countdown; cancelling it sets the choice
// back to none and ends no session.
TEST_F(WiperWidgetTest, DoneJobHandsOverToTheShutdownCountdown) {
    struct recorder : olvex::session_provider {
        int ends = 0;
        int elevation_type() override { return olvex::elevation_none; }
        bool end_session(int, bool) override { return ++ends, false; }
    } session;
    olvex::session_provider* was = olvex::set_session_provider(&session);
    write_bytes(sb.path(L"a.txt"), "a");
    sb.require_inside(sb.path(L"a.txt"));
    {
        WiperWidget w;
        w.select_shutdown_mode(2);
        olvex::ShutdownManager* shutdown = w.shutdown_manager();
        bool counted = false;
        QTimer watcher;
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            if (!shutdown->isVisible()) return;
            counted = true;
            shutdown->findChild<QPushButton*>(QStringLiteral("abort_btn"))->click();
        });
        watcher.start(10);
        ASSERT_EQ(w.start_job(olvex::job_files, sb.path(L"a.txt")), 0);
        child<QPushButton>(w, "wipe_btn")->click();
        ASSERT_TRUE(reaches(w, olvex::state_done));
        ASSERT_TRUE(wait_until([&] { return counted && !shutdown->isVisible(); }));
        EXPECT_EQ(w.shutdown_mode(), 0);
    }
    EXPECT_EQ(session.ends, 0);
    olvex::set_session_provider(was);
}

}  // namespace
