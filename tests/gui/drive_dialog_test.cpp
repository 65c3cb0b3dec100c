// The device, volume and recycle-bin picker over image targets in a sandbox: what each list shows
// and lets the user tick, its refreshes, its option check box per job kind, and what it returns.
// One test lists this machine's own targets (nothing else is done with them).
#include "gui/wipe/drive_dialog.h"

#include "gui/shell/gui_resources.h"
#include "gui/shell/qt_text.h"
#include "services/interlang.h"
#include "services/session.h"
#include "tests/e2e/support/program.h"
#include "tests/gui/gui_test.h"
#include "tests/support/image_targets.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTimerEvent>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace oblivar::test;
using olvex::drive_item;
using olvex::drive_rules;
using olvex::ZyDrives;

std::wstring shown(const std::wstring& root) { return olvex::shown_root(root); }

const drive_item* find_data(const std::vector<drive_item>& items, const std::wstring& data) {
    for (const drive_item& i : items)
        if (i.data == data) return &i;
    return nullptr;
}

image_targets::volume volume(const std::wstring& root, const std::wstring& label, int32_t kind,
                             std::vector<int32_t> devices, const std::wstring& bin = std::wstring(),
                             const std::wstring& image = std::wstring()) {
    image_targets::volume v;
    v.root = root;
    v.label = label;
    v.kind = kind;
    v.devices = std::move(devices);
    v.recycle_bin = bin;
    v.image = image;
    return v;
}

bool starts_with(const std::wstring& text, const std::wstring& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// Volumes, devices and bins that stand for a machine: the system volume on device 0, a data
// stick on device 3, a disk with two volumes (device 1), an empty disk (device 2), an optical
// drive, a volume that can't be read and a file system in memory (no raw device of its own).
class DriveTargets : public sandbox_test {
protected:
    DriveTargets() : t(sb) {
        sys = t.folder(L"sys/");
        stick = t.folder(L"stick/");
        first = t.folder(L"first/");
        second = t.folder(L"second/");
        optical = t.folder(L"optical/");
        broken = sb.path(L"broken") + native_separator();  // never made: its query fails
        memory = t.folder(L"memory/");
        t.add_device(0, {t.image(L"dev0.img", 4096), L"S0"});
        t.add_device(1, {t.image(L"dev1.img", 8192), L"S1"});
        t.add_device(2, {t.image(L"dev2.img", 2048), L"S2"});
        t.add_device(3, {t.image(L"dev3.img", 1536), L"S3"});
        t.add_volume(volume(sys, L"System", 1, {0}, L"", t.image(L"sys.img", 1024)));
        t.add_volume(volume(stick, L"Stick", 2, {3}, L"", t.image(L"stick.img", 1024)));
        t.add_volume(volume(first, L"", 1, {1}, L"", t.image(L"first.img", 1024)));
        t.add_volume(volume(second, L"Second", 1, {1}, L"", t.image(L"second.img", 1024)));
        t.add_volume(volume(optical, L"", 4, {}, L"", t.image(L"optical.img", 1024)));
        t.add_volume(volume(broken, L"Broken", 1, {}, L"", t.image(L"broken.img", 1024)));
        t.add_volume(volume(memory, L"", olvex::kind_ram, {}));
        t.set_system_volume(sys);
        t.set_system_devices(std::vector<int32_t>{0});
    }

    image_targets t;
    std::wstring sys, stick, first, second, optical, broken, memory;
};

// What a volume job can only refuse is not offered: the system's volume, optical media, a volume
// that can't be read, and one without a raw device of its own (a file system in memory).
TEST_F(DriveTargets, VolumesGreyWhatAVolumeJobCanOnlyRefuse) {
    drive_rules volume_job;
    volume_job.system_selectable = false;
    volume_job.optical_selectable = false;
    const std::vector<drive_item> items = olvex::drive_items(olvex::drive_list_volumes, volume_job);
    ASSERT_EQ(items.size(), 7u);
    struct row {
        std::wstring root;
        std::wstring text_start;
        const wchar_t* icon;
        bool enabled;
        bool system;
    };
    const row rows[] = {
        {sys, L"System (" + shown(sys) + L") ", L":/ddlg_winsys.png", false, true},
        {stick, L"Stick (" + shown(stick) + L") ", L":/ddlg_removable.png", true, false},
        {first, L"Local Drive (" + shown(first) + L") ", L":/ddlg_fixed.png", true, false},
        {second, L"Second (" + shown(second) + L") ", L":/ddlg_fixed.png", true, false},
        {optical, L"ROM Drive (" + shown(optical) + L") ", L":/ddlg_rom.png", false, false},
        {broken, L"Broken (" + shown(broken) + L")", L":/ddlg_fixed.png", false, false},
        {memory, L"Ram Drive (" + shown(memory) + L") ", L":/ddlg_fixed.png", false, false},
    };
    for (size_t i = 0; i < items.size(); ++i) {
        const row& r = rows[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].data, shown(r.root)) << "in the engine's order";
        EXPECT_TRUE(starts_with(items[i].text, r.text_start)) << olvex::to_qstring(items[i].text).toStdString();
        EXPECT_EQ(items[i].icon, r.icon);
        EXPECT_EQ(items[i].enabled, r.enabled);
        EXPECT_EQ(items[i].system, r.system);
        EXPECT_EQ(items[i].text.find(L'\n'), std::wstring::npos) << "small view: one line";
    }

    // A free-space job may take the system volume, one whose figures can't be read, and one in
    // memory: it writes files, not the volume.
    drive_rules free_space = volume_job;
    free_space.system_selectable = true;
    free_space.large_view = true;
    const std::vector<drive_item> again = olvex::drive_items(olvex::drive_list_volumes, free_space);
    EXPECT_TRUE(find_data(again, shown(sys))->enabled);
    EXPECT_TRUE(find_data(again, shown(broken))->enabled);
    EXPECT_TRUE(find_data(again, shown(memory))->enabled);
    EXPECT_FALSE(find_data(again, shown(optical))->enabled);
    EXPECT_NE(find_data(again, shown(stick))->text.find(L")\n"), std::wstring::npos) << "large view: size on line two";
}

TEST_F(DriveTargets, DevicesNameTheirVolumes) {
    t.add_device(4, {t.image(L"dev4.img", 512), L"S4", 512, true, false});  // gives no size: left out
    drive_rules device_job;
    device_job.system_selectable = false;
    const std::vector<drive_item> items = olvex::drive_items(olvex::drive_list_devices, device_job);
    ASSERT_EQ(items.size(), 4u);
    struct row {
        std::wstring data;
        std::wstring text;
        bool enabled;
        bool system;
    };
    const row rows[] = {
        {L"0", L"DRIVE 0 (4 KB)\nSystem (" + shown(sys) + L")", false, true},
        {L"1", L"DRIVE 1 (8 KB)\nVolumes: " + shown(first) + L", " + shown(second), true, false},
        {L"2", L"DRIVE 2 (2 KB)\nVolumes: NONE", true, false},
        {L"3", L"DRIVE 3 (1.5 KB)\nStick (" + shown(stick) + L")", true, false},
    };
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i].data, rows[i].data);
        EXPECT_EQ(items[i].text, rows[i].text);
        EXPECT_EQ(items[i].enabled, rows[i].enabled);
        EXPECT_EQ(items[i].system, rows[i].system);
    }
    EXPECT_EQ(items[0].icon, L":/ddlg_winsys.png");
    EXPECT_EQ(items[3].icon, L":/ddlg_removable.png");
}

TEST_F(DriveTargets, RecycleBinsFullOrEmpty) {
    const std::wstring full_bin = t.folder(L"stick/.Trash-0/");
    write_bytes(full_bin + L"old-letter.txt", "x");
    const std::wstring empty_bin = t.folder(L"first/.Trash-0/");
    image_targets bins(sb);  // the same machine, with bins on two volumes
    bins.add_volume(volume(sys, L"System", 1, {0}));
    bins.add_volume(volume(stick, L"Stick", 2, {3}, full_bin));
    bins.add_volume(volume(first, L"", 1, {1}, empty_bin));
    bins.set_system_volume(sys);

    drive_rules rules;
    rules.empty_text = L"(empty)";
    std::vector<drive_item> items = olvex::drive_items(olvex::drive_list_bins, rules);
    ASSERT_EQ(items.size(), 2u) << "a volume without a bin is not listed";
    EXPECT_EQ(items[0].text, L"Stick (" + shown(stick) + L")");
    EXPECT_EQ(items[0].icon, L":/ddlg_win_trash_full.png");
    EXPECT_TRUE(items[0].enabled);
    EXPECT_EQ(items[0].data, shown(stick));
    EXPECT_EQ(items[1].text, L"Local Drive (" + shown(first) + L") (empty)");
    EXPECT_EQ(items[1].icon, L":/ddlg_win_trash_empty.png");
    EXPECT_FALSE(items[1].enabled);

    rules.empty_bins_selectable = true;
    rules.large_view = true;
    items = olvex::drive_items(olvex::drive_list_bins, rules);
    EXPECT_TRUE(items[1].enabled);
    EXPECT_EQ(items[0].text, L"Stick (" + shown(stick) + L")\n" + full_bin);
}

TEST(DriveElevationChoice, OfferedOnlyWhereTheProgramCanRestartElevated) {
    struct row {
        int state;
        bool offered;
        bool visible, enabled, checked;
    };
    const row rows[] = {
        {olvex::elevation_none, true, true, false, false},
        {olvex::elevation_limited, true, true, true, false},
        {olvex::elevation_full, true, true, false, true},
        {olvex::elevation_full, false, false, false, false},  // Linux as root
        {olvex::elevation_none, false, false, false, false},
    };
    for (const row& r : rows) {
        const olvex::option_box box = olvex::elevation_choice(r.state, r.offered);
        EXPECT_EQ(box.visible, r.visible) << r.state << r.offered;
        EXPECT_EQ(box.enabled, r.enabled) << r.state << r.offered;
        EXPECT_EQ(box.checked, r.checked) << r.state << r.offered;
    }
}

// The picker itself, run as the job window runs it, with the English texts.
class DrivePicker : public DriveTargets {
protected:
    void SetUp() override {
        ASSERT_EQ(load_shipped_languages(), L"");
    }

    template <class T>
    T* child(const char* name) {
        T* w = picker.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QListWidget* list() { return child<QListWidget>("list_widget"); }
    QPushButton* ok() { return child<QPushButton>("ok_btn"); }
    QListWidgetItem* item_of(const std::wstring& data) {
        for (int i = 0; i < list()->count(); ++i)
            if (list()->item(i)->data(Qt::UserRole).toString() == olvex::to_qstring(data)) return list()->item(i);
        return nullptr;
    }
    bool ticked(const std::wstring& data) { return item_of(data) && item_of(data)->checkState() == Qt::Checked; }
    void tick(const std::wstring& data) { item_of(data)->setCheckState(Qt::Checked); }
    // One beat of the two-second refresh, as Qt delivers it.
    void refresh_beat() {
        ASSERT_NE(picker.refresh_timer_id(), 0);
        QTimerEvent event(picker.refresh_timer_id());
        QCoreApplication::sendEvent(&picker, &event);
    }
    // Runs the picker; inside its modal loop, once the list is filled, does `what`.
    bool run(int type, const QString& option_text, const std::function<void()>& what) {
        bool done = false;
        QTimer::singleShot(0, &picker, [&] {
            if (!wait_until([&] { return picker.refresh_timer_id() != 0; })) return;
            what();
            done = true;
            if (picker.isVisible()) picker.reject();
        });
        const bool accepted = picker.exec_by_type(type, option_text, QString(), QString());
        EXPECT_TRUE(done) << "the run ended before the list was filled";
        return accepted;
    }

    table_scope scope_;
    ZyDrives picker{nullptr};
};

TEST_F(DrivePicker, VolumeJobReturnsTheTickedVolumes) {
    picker.set_option(ZyDrives::option_system_selectable, false);
    const bool accepted = run(olvex::drive_list_volumes, QString(), [&] {
        EXPECT_EQ(picker.windowTitle(), QStringLiteral("Please wait..."));
        EXPECT_TRUE(wait_until([&] { return picker.windowTitle() == QStringLiteral("Choose Volumes"); }));
        EXPECT_EQ(child<QLabel>("hdr_label")->text(), QStringLiteral("Tick the volumes to use:"));
        EXPECT_FALSE(child<QCheckBox>("option_chk")->isVisible());
        ASSERT_EQ(list()->count(), 7);
        EXPECT_FALSE(ok()->isEnabled()) << "nothing ticked";
        QListWidgetItem* system = item_of(shown(sys));
        EXPECT_EQ(system->type(), ZyDrives::system_item_type);
        EXPECT_FALSE(system->flags() & Qt::ItemIsEnabled);
        EXPECT_EQ(item_of(shown(stick))->type(), QListWidgetItem::Type);

        child<QToolButton>("all_btn")->click();
        EXPECT_TRUE(ticked(shown(stick)) && ticked(shown(first)) && ticked(shown(second)));
        EXPECT_FALSE(ticked(shown(sys)) || ticked(shown(optical)) || ticked(shown(broken)) || ticked(shown(memory)))
            << "greyed stay unticked";
        child<QToolButton>("none_btn")->click();
        EXPECT_FALSE(ok()->isEnabled());
        tick(shown(second));
        tick(shown(stick));
        EXPECT_TRUE(ok()->isEnabled());
        ok()->click();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(picker.result(), (QStringList{olvex::to_qstring(shown(stick)), olvex::to_qstring(shown(second))}));
    EXPECT_EQ(picker.refresh_timer_id(), 0) << "no refresh once closed";

    // Cancelled: nothing comes back.
    EXPECT_FALSE(run(olvex::drive_list_volumes, QString(), [&] {
        tick(shown(stick));
        child<QPushButton>("cancel_btn")->click();
    }));
    EXPECT_TRUE(picker.result().isEmpty());
}

TEST_F(DrivePicker, RefreshRebuildsOnlyWhenAnEntryChanged) {
    picker.set_option(ZyDrives::option_system_selectable, false);
    run(olvex::drive_list_devices, QString(), [&] {
        ASSERT_EQ(list()->count(), 4);
        tick(L"3");
        refresh_beat();
        EXPECT_TRUE(ticked(L"3")) << "nothing changed: the tick survives";

        // A stick plugged in: listed within one beat, every tick gone.
        t.add_device(5, {t.image(L"dev5.img", 1024), L"S5"});
        refresh_beat();
        EXPECT_EQ(list()->count(), 5);
        EXPECT_FALSE(ticked(L"3"));
        EXPECT_FALSE(ok()->isEnabled());

        // Same number of entries, but one is another medium now.
        tick(L"5");
        t.swap_device_image(5, t.image(L"dev5b.img", 4096));
        refresh_beat();
        EXPECT_EQ(list()->count(), 5);
        EXPECT_FALSE(ticked(L"5"));
        EXPECT_TRUE(item_of(L"5")->text().startsWith(QStringLiteral("Device 5 (4 KB)")));

        // It goes away again.
        t.add_device(5, {sb.path(L"dev5b.img"), L"S5", 512, false});
        refresh_beat();
        EXPECT_EQ(list()->count(), 4);
        EXPECT_EQ(item_of(L"5"), nullptr);
    });
}

TEST_F(DrivePicker, TickedDeviceThatVanishedIsNotReturned) {
    picker.set_option(ZyDrives::option_system_selectable, false);
    const bool accepted = run(olvex::drive_list_devices, QString(), [&] {
        tick(L"3");
        tick(L"2");
        // Pulled out, and another disk takes its number, before the next beat.
        t.swap_device_image(3, t.image(L"other.img", 65536));
        ok()->click();
        EXPECT_TRUE(picker.isVisible()) << "OK must not hand on a number that now names another disk";
        EXPECT_FALSE(ticked(L"3") || ticked(L"2"));
        EXPECT_FALSE(ok()->isEnabled());
        EXPECT_TRUE(item_of(L"3")->text().startsWith(QStringLiteral("Device 3 (64 KB)")));
    });
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(picker.result().isEmpty());
}

TEST_F(DrivePicker, FreeSpaceJobOffersTheSystemVolumeAndItsCheckBox) {
    picker.set_option(ZyDrives::option_system_selectable, true);
    const QString option = olvex::to_qstring(olvex::tr(L"DDLG_EMPTY_TRASH_CHK"));
    const bool accepted = run(olvex::drive_list_volumes, option, [&] {
        QCheckBox* box = child<QCheckBox>("option_chk");
        EXPECT_TRUE(box->isVisible());
        EXPECT_EQ(box->text(), option);
        EXPECT_FALSE(box->isChecked());
        EXPECT_TRUE(item_of(shown(sys))->flags() & Qt::ItemIsEnabled);
        EXPECT_FALSE(item_of(shown(optical))->flags() & Qt::ItemIsEnabled);
        tick(shown(sys));
        box->setChecked(true);
        ok()->click();
    });
    EXPECT_TRUE(accepted);
    EXPECT_EQ(picker.result(), QStringList{olvex::to_qstring(shown(sys))});
    EXPECT_TRUE(picker.option_checked());
}

TEST_F(DrivePicker, RecycleBinsAndTheirElevationChoice) {
    const std::wstring bin = t.folder(L"stick/.Trash-0/");
    write_bytes(bin + L"old.txt", "x");
    image_targets bins(sb);
    bins.add_volume(volume(stick, L"Stick", 2, {3}, bin));
    bins.add_volume(volume(first, L"", 1, {1}, t.folder(L"first/.Trash-0/")));
    struct limited : olvex::session_provider {
        int elevation_type() override { return olvex::elevation_limited; }
        bool end_session(int, bool) override { return false; }
    } session;
    olvex::session_provider* previous = olvex::set_session_provider(&session);
    picker.set_option(ZyDrives::option_system_selectable, true);
    const bool accepted = run(olvex::drive_list_bins, QString(), [&] {
        ASSERT_EQ(list()->count(), 2);
        EXPECT_TRUE(item_of(shown(first))->text().endsWith(QStringLiteral(" (empty)")));
        EXPECT_FALSE(item_of(shown(first))->flags() & Qt::ItemIsEnabled);
        QCheckBox* box = child<QCheckBox>("option_chk");
#ifdef _WIN32
        EXPECT_TRUE(box->isVisible());
        EXPECT_TRUE(box->isEnabled());
        EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(box->text(), olvex::to_qstring(olvex::tr(L"DDLG_ADMIN_TEXT")));
#else
        EXPECT_FALSE(box->isVisible()) << "no elevation helper on this system";
#endif
        child<QToolButton>("all_btn")->click();
        ok()->click();
    });
    olvex::set_session_provider(previous);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(picker.result(), QStringList{olvex::to_qstring(shown(stick))});
#ifndef _WIN32
    EXPECT_FALSE(picker.option_checked());
#endif
}

// The view is the user's to choose: switching it (both ways, by button or menu) rewrites the
// texts but keeps the ticks and the size the user gave the dialog.
TEST_F(DrivePicker, SwitchingTheViewKeepsTicksAndSize) {
    run(olvex::drive_list_volumes, QString(), [&] {
        tick(shown(stick));
        tick(shown(second));
        // Narrower than the one-line texts want: what a view switch used to widen.
        const QSize size(picker.minimumWidth() + 20, picker.height() + 30);
        picker.resize(size);
        ASSERT_EQ(picker.size(), size);
        EXPECT_TRUE(child<QToolButton>("view_btn")->isVisible());
        const struct {
            std::function<void()> press;
            int icon;
            bool two_lines;
        } steps[] = {
            {[&] { child<QToolButton>("view_btn")->click(); }, 64, true},
            {[&] { child<QToolButton>("view_btn")->click(); }, 32, false},
            {[&] { child<QAction>("large_icons_action")->trigger(); }, 64, true},
            {[&] { child<QAction>("small_icons_action")->trigger(); }, 32, false},
        };
        for (const auto& step : steps) {
            step.press();
            SCOPED_TRACE(step.icon);
            EXPECT_EQ(list()->iconSize(), QSize(step.icon, step.icon));
            EXPECT_EQ(item_of(shown(stick))->text().contains(QLatin1Char('\n')), step.two_lines);
            EXPECT_TRUE(ticked(shown(stick)) && ticked(shown(second)));
            EXPECT_FALSE(ticked(shown(first)) || ticked(shown(sys)));
            EXPECT_TRUE(ok()->isEnabled());
            EXPECT_EQ(picker.size(), size);
        }
    });
    // A medium swapped since the last refresh: the switch lists it anew, its tick gone.
    picker.set_option(ZyDrives::option_system_selectable, false);
    const bool accepted = run(olvex::drive_list_devices, QString(), [&] {
        tick(L"3");
        tick(L"2");
        t.swap_device_image(3, t.image(L"other.img", 65536));
        child<QToolButton>("view_btn")->click();
        EXPECT_TRUE(item_of(L"3")->text().startsWith(QStringLiteral("Device 3 (64 KB)")));
        EXPECT_FALSE(ticked(L"3") || ticked(L"2"));
        EXPECT_FALSE(ok()->isEnabled());
    });
    EXPECT_FALSE(accepted);
}

// A list with nothing to offer says why in its own place, once it has been filled, and only while
// it is empty.
TEST_F(DrivePicker, AnEmptyListSaysWhyInItsPlace) {
    const struct {
        int type;
        int elevation;
        bool device_that_wont_open;
        const wchar_t* key;
    } rows[] = {
        {olvex::drive_list_devices, olvex::elevation_full, false, L"DDLG_NO_DEVICES_TEXT"},
        {olvex::drive_list_devices, olvex::elevation_none, true, L"DDLG_NO_DEVICES_ADMIN_TEXT"},
        {olvex::drive_list_devices, olvex::elevation_limited, true, L"DDLG_NO_DEVICES_ADMIN_TEXT"},
        {olvex::drive_list_devices, olvex::elevation_full, true, L"DDLG_NO_DEVICES_READ_TEXT"},
        {olvex::drive_list_volumes, olvex::elevation_none, false, L"DDLG_NO_VOLUMES_TEXT"},
        {olvex::drive_list_bins, olvex::elevation_none, false, L"DDLG_NO_BINS_TEXT"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(olvex::to_qstring(r.key).toStdString());
        image_targets bare(sb);  // a machine without any target
        if (r.device_that_wont_open) bare.add_device(4, {t.image(L"closed.img", 512), L"C", 512, true, false});
        struct session : olvex::session_provider {
            int state = 0;
            int elevation_type() override { return state; }
            bool end_session(int, bool) override { return false; }
        } rights;
        rights.state = r.elevation;
        olvex::session_provider* previous = olvex::set_session_provider(&rights);
        picker.set_option(ZyDrives::option_system_selectable, r.type != olvex::drive_list_volumes);
        QLabel* empty = child<QLabel>("empty_label");
        bool hidden_while_waiting = false;
        QTimer::singleShot(0, &picker, [&] { hidden_while_waiting = picker.isVisible() && !empty->isVisible(); });
        run(r.type, QString(), [&] {
            EXPECT_TRUE(empty->isVisible());
            EXPECT_EQ(empty->text(), olvex::to_qstring(olvex::tr(r.key)));
            EXPECT_FALSE(olvex::tr(r.key).empty());
            // It stands inside the list, readable at the list's width.
            EXPECT_TRUE(list()->viewport()->rect().contains(empty->geometry()));
            EXPECT_GT(empty->width(), list()->viewport()->width() / 2);
            if (r.type != olvex::drive_list_devices) return;
            bare.add_device(5, {t.image(L"new.img", 1024), L"N"});
            refresh_beat();
            EXPECT_EQ(list()->count(), 1);
            EXPECT_FALSE(empty->isVisible()) << "a listed device takes its place";
        });
        EXPECT_TRUE(hidden_while_waiting) << "nothing is said before the list was filled";
        olvex::set_session_provider(previous);
    }
}

TEST_F(DrivePicker, OtherTypesShowAnEmptyListWithTheCallersTexts) {
    bool shown_empty = false;
    QTimer::singleShot(0, &picker, [&] {
        EXPECT_TRUE(wait_until([&] { return picker.windowTitle() == QStringLiteral("Elsewhere"); }));
        EXPECT_EQ(child<QLabel>("hdr_label")->text(), QStringLiteral("Nothing here"));
        shown_empty = list()->count() == 0 && !child<QLabel>("empty_label")->isVisible();
        picker.reject();
    });
    EXPECT_FALSE(picker.exec_by_type(7, QString(), QStringLiteral("Elsewhere"), QStringLiteral("Nothing here")));
    EXPECT_TRUE(shown_empty);
}

// This machine's own targets, only listed: whatever holds the running system is greyed.
TEST(DriveOwnMachine, SystemVolumeAndDeviceAreNeverTickable) {
    drive_rules device_job;
    device_job.system_selectable = false;
    const std::vector<drive_item> volumes = olvex::drive_items(olvex::drive_list_volumes, device_job);
    int system_volumes = 0;
    for (const drive_item& v : volumes) {
        if (!v.system) continue;
        ++system_volumes;
        EXPECT_FALSE(v.enabled) << olvex::to_qstring(v.text).toStdString();
        EXPECT_EQ(v.icon, L":/ddlg_winsys.png");
    }
    if (volumes.empty()) GTEST_SKIP() << "this system lists no volumes";
    EXPECT_GE(system_volumes, 1) << "the volume of the running system must be marked";
    // A device that can't be queried is not listed at all; one that is, and holds the system, is greyed.
    for (const drive_item& d : olvex::drive_items(olvex::drive_list_devices, device_job)) {
        std::vector<std::wstring> held;
        olvex::drive_info record;
        olvex::query_device_info(d.data, record, true);
        for (const std::wstring& root : record.volumes)
            if (olvex::is_system_volume(root)) held.push_back(root);
        if (!held.empty() || record.is_system) {
            EXPECT_TRUE(d.system);
            EXPECT_FALSE(d.enabled) << olvex::to_qstring(d.text).toStdString();
        }
    }
}

}  // namespace
