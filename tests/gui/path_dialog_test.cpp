// The file and folder picker on a sandbox tree: what may be chosen (regular files and folders
// only, never a drive root), the paths it returns, typed addresses, history, hidden folders and
// what a new run keeps.
#include "gui/wipe/path_dialog.h"

#include "gui/shell/gui_resources.h"
#include "gui/shell/qt_text.h"
#include "gui/wipe/job_view.h"
#include "tests/gui/gui_test.h"
#include "tests/support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace oblivar::test;
using olvex::PathDialog;

// A path as the picker's model writes it.
QString model_path(const std::wstring& path) { return QDir::fromNativeSeparators(olvex::to_qstring(path)); }

TEST(PathRules, OnlyRegularFilesAndFoldersCanBeChosen) {
    sandbox sb;
    make_dirs(sb.path(L"docs/sub"));
    write_bytes(sb.path(L"docs/a.txt"), "a");
    const bool fifo = make_fifo(sb.path(L"docs/pipe"));
    const bool links = make_link(sb.path(L"docs/to-a"), sb.path(L"docs/a.txt"), false) &&
                       make_link(sb.path(L"docs/to-sub"), sb.path(L"docs/sub"), true) &&
                       make_link(sb.path(L"docs/dangling"), sb.path(L"docs/none"), false);
    struct row {
        std::wstring rel;
        bool folder, file;
        bool needs_fifo, needs_links;
    };
    const row rows[] = {
        {L"docs/sub", true, false, false, false},    {L"docs/a.txt", false, true, false, false},
        {L"docs/none", false, false, false, false},  {L"docs/pipe", false, false, true, false},
        {L"docs/to-a", false, true, false, true},    {L"docs/to-sub", true, false, false, true},
        {L"docs/dangling", false, false, false, true},
    };
    for (const row& r : rows) {
        if ((r.needs_fifo && !fifo) || (r.needs_links && !links)) continue;
        const QString p = model_path(sb.path(r.rel));
        SCOPED_TRACE(p.toStdString());
        EXPECT_EQ(olvex::is_folder_path(p), r.folder);
        EXPECT_EQ(olvex::is_file_path(p), r.file);
        EXPECT_FALSE(olvex::is_drive_root(p));
        EXPECT_EQ(olvex::selection_acceptable({p}, olvex::choose_files | olvex::choose_folders), r.folder || r.file);
        EXPECT_EQ(olvex::selection_acceptable({p}, olvex::choose_files), r.file);
        EXPECT_EQ(olvex::selection_acceptable({p}, olvex::choose_folders), r.folder);
    }
    const QString root = QDir::rootPath();
    EXPECT_TRUE(olvex::is_drive_root(root));
    EXPECT_FALSE(olvex::is_drive_root(QString()));
    EXPECT_FALSE(olvex::is_folder_path(QString()));
    const QString file = model_path(sb.path(L"docs/a.txt"));
    EXPECT_FALSE(olvex::selection_acceptable({file, root}, 0x13)) << "a drive root among others";
    EXPECT_FALSE(olvex::selection_acceptable({}, 0x13));
    EXPECT_FALSE(olvex::selection_acceptable({file}, 0x10));
    // Typed addresses: relative to the folder shown, trimmed, cleaned; a file is no address.
    const QString docs = model_path(sb.path(L"docs"));
    EXPECT_EQ(olvex::address_folder(QStringLiteral(" sub "), docs), docs + QStringLiteral("/sub"));
    EXPECT_EQ(olvex::address_folder(QStringLiteral("sub/../sub//"), docs), docs + QStringLiteral("/sub"));
    EXPECT_EQ(olvex::address_folder(QStringLiteral("a.txt"), docs), QString());
    EXPECT_EQ(olvex::address_folder(file, QString()), QString());
    EXPECT_EQ(olvex::parent_folder(docs + QStringLiteral("/sub")), docs);
    EXPECT_EQ(olvex::parent_folder(root), QString()) << "above a drive root: the computer level";
}

TEST(PathRules, HistoryDropsWhatLiesAheadOnANewVisit) {
    olvex::path_history h;
    for (const char* f : {"/a", "/b", "/b", "/c"}) h.add(QString::fromLatin1(f));
    EXPECT_EQ(h.entries(), (QStringList{"/a", "/b", "/c"})) << "the same folder twice in a row is one entry";
    EXPECT_TRUE(h.back());
    EXPECT_TRUE(h.back());
    EXPECT_FALSE(h.back());
    EXPECT_EQ(h.current(), QStringLiteral("/a"));
    EXPECT_TRUE(h.can_forward());
    h.add(QStringLiteral("/d"));
    EXPECT_EQ(h.entries(), (QStringList{"/a", "/d"}));
    EXPECT_FALSE(h.can_forward());
    EXPECT_FALSE(h.forward());
}

class PathPicker : public sandbox_test {
protected:
    void SetUp() override {
        olvex::init_gui_resources();
        make_dirs(sb.path(L"docs/sub/deep"));
        make_dirs(sb.path(L"docs/other"));
        write_bytes(sb.path(L"docs/a.txt"), "a");
        write_bytes(sb.path(L"docs/b c.txt"), "b");
        write_bytes(sb.path(nonascii_name), "c");
        dlg.set_filter_options(0x1EF);
        dlg.set_mode(0x13);
        dlg.show_option(false);
    }

    template <class T>
    T* child(const char* name) {
        T* w = dlg.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPushButton* ok() { return child<QPushButton>("ok_btn"); }
    QString path(const std::wstring& rel) { return model_path(sb.path(rel)); }
    // Goes to the folder and waits until the model has listed rows entries of it.
    void open_folder(const std::wstring& rel, int rows) {
        ASSERT_TRUE(dlg.navigate(path(rel)));
        ASSERT_TRUE(wait_until([&] { return dlg.model()->rowCount(dlg.view()->rootIndex()) == rows; }))
            << "listed: " << dlg.model()->rowCount(dlg.view()->rootIndex());
    }
    void select(const QStringList& paths) {
        for (const QString& p : paths) {
            const QModelIndex index = dlg.model()->index(p);
            ASSERT_TRUE(index.isValid()) << p.toStdString();
            dlg.view()->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    void type_address(const QString& text) {
        QComboBox* box = child<QComboBox>("recent_cmb");
        QLineEdit* edit = box->lineEdit();
        // A message box took the activation away: the user comes back to the picker.
        QApplication::setActiveWindow(&dlg);
        edit->setFocus();
        ASSERT_TRUE(edit->hasFocus());
        edit->setText(text);
        QTest::keyClick(box, Qt::Key_Return);  // the box holds the focus for its line edit
    }

    // U+00FC, U+00F1 and a blank: non-ASCII units travel unit for unit.
    const std::wstring nonascii_name = std::wstring(L"docs/") + wchar_t(0xFC) + L" " + wchar_t(0xF1) + L".txt";
    PathDialog dlg{nullptr};
};

TEST_F(PathPicker, ReturnsEachChosenPathOnceAsWritten) {
    QStringList chosen = {path(L"docs/a.txt"), path(L"docs/b c.txt"), path(nonascii_name), path(L"docs/sub")};
    // Where "/" alone separates, a backslash is an ordinary character of a name.
    const bool backslash = native_separator() == L'/';
    if (backslash) {
        write_bytes(sb.path(L"docs/back\\slash.txt"), "d");
        chosen.append(path(L"docs/back\\slash.txt"));
    }
    bool ran = false;
    QTimer::singleShot(0, &dlg, [&] {
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Please wait..."));
        open_folder(L"docs", 5 + (backslash ? 1 : 0));
        EXPECT_FALSE(ok()->isEnabled());
        select(chosen);
        EXPECT_TRUE(ok()->isEnabled()) << "files and a folder, several at once";
        EXPECT_TRUE(wait_until([&] { return dlg.windowTitle() == QStringLiteral("Choose the Files"); }));
        ran = true;
        ok()->click();
    });
    ASSERT_TRUE(dlg.exec_with_title(QStringLiteral("Choose the Files")));
    ASSERT_TRUE(ran);
    QStringList got = dlg.selected_paths();
    EXPECT_EQ(got.size(), chosen.size()) << "the details view selects four columns per row";
    got.sort();
    chosen.sort();
    EXPECT_EQ(got, chosen);
    // Unit for unit on the way back to the library's text: the names still name the files.
    for (const QString& p : got) EXPECT_TRUE(path_exists(olvex::from_qstring(p))) << p.toStdString();
    if (backslash) {
        EXPECT_TRUE(got.contains(olvex::to_qstring(sb.path(L"docs/back\\slash.txt"))));
    }
}

TEST_F(PathPicker, DriveRootsPipesAndBrokenLinksCantBeChosen) {
    const bool fifo = make_fifo(sb.path(L"docs/pipe"));
    const bool links = make_link(sb.path(L"docs/to-a"), sb.path(L"docs/a.txt"), false) &&
                       make_link(sb.path(L"docs/dangling"), sb.path(L"docs/none"), false);
    dlg.show();
    open_folder(L"docs", 5 + (fifo ? 1 : 0) + (links ? 2 : 0));
    select({path(L"docs/a.txt")});
    EXPECT_TRUE(ok()->isEnabled());
    if (fifo) {
        select({path(L"docs/pipe")});
        EXPECT_FALSE(ok()->isEnabled());
        dlg.view()->clearSelection();
        QMetaObject::invokeMethod(&dlg, "view_activate", Q_ARG(QModelIndex, dlg.model()->index(path(L"docs/pipe"))));
        EXPECT_TRUE(dlg.isVisible()) << "a double click on a pipe chooses nothing";
    }
    if (links) {
        dlg.view()->clearSelection();
        select({path(L"docs/dangling")});
        EXPECT_FALSE(ok()->isEnabled());
        dlg.view()->clearSelection();
        select({path(L"docs/to-a")});
        EXPECT_TRUE(ok()->isEnabled()) << "a link to a file is chosen as itself";
    }
    // The computer level: a drive root, alone or with others, never.
    ASSERT_TRUE(dlg.navigate(QString()));
    ASSERT_TRUE(wait_until([&] { return dlg.model()->index(QDir::rootPath()).isValid(); }));
    select({QDir::rootPath()});
    EXPECT_FALSE(ok()->isEnabled());
    select({path(L"docs/a.txt")});
    EXPECT_FALSE(ok()->isEnabled());
    if (!fifo) GTEST_SKIP() << "no named pipes on this system";
}

TEST_F(PathPicker, DoubleClickEntersFoldersAndChoosesFiles) {
    dlg.set_mode(olvex::choose_files);
    dlg.show();
    open_folder(L"docs", 5);
    QMetaObject::invokeMethod(&dlg, "view_activate", Q_ARG(QModelIndex, dlg.model()->index(path(L"docs/sub"))));
    EXPECT_EQ(dlg.current_folder(), path(L"docs/sub"));
    EXPECT_FALSE(ok()->isEnabled());
    ASSERT_TRUE(dlg.navigate(path(L"docs")));
    const QModelIndex file = dlg.model()->index(path(L"docs/a.txt"));
    dlg.view()->setCurrentIndex(file);  // the first click of the double click selects it
    QMetaObject::invokeMethod(&dlg, "view_activate", Q_ARG(QModelIndex, file));
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.selected_paths(), QStringList{path(L"docs/a.txt")});
}

// A size reads as in the job window and the drive lists: the library's byte-size text.
TEST_F(PathPicker, SizesReadAsEverywhereInTheProgram) {
    write_bytes(sb.path(L"docs/scan.png"), std::string(200000, 's'));
    dlg.show();
    open_folder(L"docs", 6);
    const QModelIndex file = dlg.model()->index(path(L"docs/scan.png")).siblingAtColumn(1);
    ASSERT_TRUE(wait_until([&] { return file.data().toString() != QStringLiteral("0 bytes"); }));
    EXPECT_EQ(file.data().toString().toStdString(), "195.3 KB");
    EXPECT_EQ(dlg.model()->index(path(L"docs/sub")).siblingAtColumn(1).data().toString(), QString());
    olvex::job_status one_file;
    one_file.total_bytes = 200000;
    EXPECT_EQ(olvex::job_total_text(one_file, olvex::job_volumes), L"195.3 KB");
}

// Size, type and time columns show their whole texts, measured in the view's own font: a long
// extension's type, a folder's type (longer under Windows) and the headers.
TEST_F(PathPicker, ColumnsFitTheirLongestText) {
    write_bytes(sb.path(L"docs/notes.markdown"), "m");
    write_bytes(sb.path(L"docs/old.backup-2023"), "b");
    dlg.show();
    auto* tree = qobject_cast<QTreeView*>(dlg.view());
    ASSERT_NE(tree, nullptr);
    const QFontMetrics metrics = tree->fontMetrics();
    const int margins = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1);
    // The widest text of column among the rows listed, and of its header, in its font.
    auto widest = [&](int column) {
        int most = tree->header()->fontMetrics().horizontalAdvance(dlg.model()->headerData(column, Qt::Horizontal).toString());
        const QModelIndex root = tree->rootIndex();
        for (int row = 0; row < dlg.model()->rowCount(root); ++row)
            most = std::max(most, metrics.horizontalAdvance(dlg.model()->index(row, column, root).data().toString()) + margins);
        return most;
    };
    const struct {
        const wchar_t* folder;  // null: the computer level
        int rows;
    } places[] = {{L"docs", 7}, {nullptr, 0}};
    for (const auto& place : places) {
        SCOPED_TRACE(place.folder ? "docs" : "computer");
        if (place.folder) {
            open_folder(place.folder, place.rows);
        } else {
            ASSERT_TRUE(dlg.navigate(QString()));
            ASSERT_TRUE(wait_until([&] { return dlg.model()->rowCount(QModelIndex()) > 0; }));
        }
        for (int column = 1; column < 4; ++column) {
            // The texts arrive a moment after the rows: wait for them, then for the columns.
            EXPECT_TRUE(wait_until([&] { return tree->columnWidth(column) >= widest(column); }))
                << "column " << column << ": " << tree->columnWidth(column) << " < " << widest(column);
        }
    }
    EXPECT_GE(tree->columnWidth(2), metrics.horizontalAdvance(QStringLiteral("markdown File")) + margins);
    EXPECT_FALSE(tree->horizontalScrollBar()->isVisible()) << "the name gives way, at the size the picker opens with";
    EXPECT_GE(tree->columnWidth(0), metrics.horizontalAdvance(QStringLiteral("bank statement.pdf"))) << "but not to nothing";
}

TEST_F(PathPicker, TypedAddresses) {
    dlg.show();
    open_folder(L"docs", 5);
    type_address(QStringLiteral("sub"));
    EXPECT_EQ(dlg.current_folder(), path(L"docs/sub"));
    type_address(QStringLiteral("  deep "));
    EXPECT_EQ(dlg.current_folder(), path(L"docs/sub/deep"));
    type_address(QStringLiteral("Computer"));
    EXPECT_EQ(dlg.current_folder(), QString());
    type_address(path(L"docs"));
    EXPECT_EQ(dlg.current_folder(), path(L"docs"));

    for (const QString& wrong : {path(L"docs/a.txt"), path(L"docs/missing"), QStringLiteral("missing")}) {
        message_box_answer answer;
        answer.arm();
        type_address(wrong);
        EXPECT_EQ(answer.seen, 1) << wrong.toStdString();
        EXPECT_EQ(answer.caption, QStringLiteral("Address Bar"));
        EXPECT_EQ(answer.text, QStringLiteral("Cannot find the specified path. Check the spelling and try again."));
        EXPECT_EQ(dlg.current_folder(), path(L"docs")) << "stays where it was";
    }
    // Return in the address box never presses OK.
    select({path(L"docs/a.txt")});
    type_address(QStringLiteral("other"));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.current_folder(), path(L"docs/other"));
}

// Keys as the user types them into the address box: through whatever holds the keyboard (the
// completion list while it is open), so Enter reaches what it would reach in a real window.
TEST_F(PathPicker, EnterOpensExactlyWhatWasTyped) {
    make_dirs(sb.path(L"a/medium_folder_name_ab"));
    make_dirs(sb.path(L"Mixed"));
    make_dirs(sb.path(L"mixed"));
    write_bytes(sb.path(L"Mixed/only-here"), "m");
    const bool cases_differ = !path_exists(sb.path(L"mixed/only-here"));
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QLineEdit* edit = child<QComboBox>("recent_cmb")->lineEdit();
    QWidget* const keyboard = nullptr;  // the open list, else the focus
    auto type = [&](const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(keyboard, text);
    };
    auto native = [&](const std::wstring& rel) { return QDir::toNativeSeparators(path(rel)); };
    // A "cannot find" box would hold Enter up: close any and count them.
    int boxes = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            ++boxes;
            box->close();
        }
    });
    watch.start(5);
    const struct {
        const wchar_t* visited;
        const wchar_t* typed;
        bool needs_cases;
    } rows[] = {
        {L"a/medium_folder_name_ab", L"a", false},  // a visited folder starts with what was typed
        {L"Mixed", L"mixed", true},                  // one that differs only in case
    };
    for (const auto& r : rows) {
        if (r.needs_cases && !cases_differ) continue;
        SCOPED_TRACE(olvex::to_qstring(r.typed).toStdString());
        ASSERT_TRUE(dlg.navigate(path(r.visited)));
        ASSERT_TRUE(dlg.navigate(path(L"docs")));
        type(native(r.typed));
        EXPECT_EQ(edit->text().toStdString(), native(r.typed).toStdString()) << "nothing is filled in beyond what was typed";
        QTest::keyClick(keyboard, Qt::Key_Return);
        EXPECT_EQ(dlg.current_folder().toStdString(), path(r.typed).toStdString());
        EXPECT_EQ(boxes, 0);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "one Enter, even with the list open";
    }
    // A visited folder picked from the completion list is the one opened.
    ASSERT_TRUE(dlg.navigate(path(L"docs")));
    type(native(L"a/med"));
    QTest::keyClick(keyboard, Qt::Key_Down);
    QTest::keyClick(keyboard, Qt::Key_Return);
    EXPECT_EQ(dlg.current_folder().toStdString(), path(L"a/medium_folder_name_ab").toStdString());
    EXPECT_TRUE(dlg.isVisible());
}

// Escape on the open list of visited folders closes the list, not the picker.
TEST_F(PathPicker, EscapeOnTheOpenListKeepsThePicker) {
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    ASSERT_TRUE(dlg.navigate(path(L"docs/sub")));
    ASSERT_TRUE(dlg.navigate(path(L"docs")));
    QComboBox* box = child<QComboBox>("recent_cmb");
    ASSERT_GE(box->count(), 2);
    box->setFocus();
    box->showPopup();
    ASSERT_TRUE(wait_until([] { return QApplication::activePopupWidget() != nullptr; }));
    // As the platform sends it: to the window that has the keyboard, the picker's.
    QTest::keyClick(dlg.windowHandle(), Qt::Key_Escape);
    EXPECT_TRUE(wait_until([] { return QApplication::activePopupWidget() == nullptr; }));
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.current_folder().toStdString(), path(L"docs").toStdString());
}

TEST_F(PathPicker, HistoryButtonsAndAddressBox) {
    dlg.show();
    QToolButton* back = child<QToolButton>("left_btn");
    QToolButton* forward = child<QToolButton>("right_btn");
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(child<QToolButton>("up_btn")->isEnabled()) << "at the computer level";
    for (const wchar_t* rel : {L"docs", L"docs/sub", L"docs/sub", L"docs/sub/deep"}) ASSERT_TRUE(dlg.navigate(path(rel)));
    EXPECT_EQ(dlg.history().entries().size(), 4) << "the computer level, then three folders";
    back->click();
    back->click();
    EXPECT_EQ(dlg.current_folder(), path(L"docs"));
    EXPECT_TRUE(forward->isEnabled());
    ASSERT_TRUE(dlg.navigate(path(L"docs/other")));
    EXPECT_FALSE(forward->isEnabled());
    EXPECT_EQ(dlg.history().entries(), (QStringList{QString(), path(L"docs"), path(L"docs/other")}));
    child<QToolButton>("up_btn")->click();
    EXPECT_EQ(dlg.current_folder(), path(L"docs"));

    // The address box: most recent first, each folder once, at most 25.
    QComboBox* box = child<QComboBox>("recent_cmb");
    for (int i = 0; i < 30; ++i) {
        make_dirs(sb.path(L"many/f" + std::to_wstring(i)));
        ASSERT_TRUE(dlg.navigate(path(L"many/f" + std::to_wstring(i))));
    }
    ASSERT_TRUE(dlg.navigate(path(L"many/f3")));
    EXPECT_EQ(box->count(), 25);
    EXPECT_EQ(box->itemText(0), QDir::toNativeSeparators(path(L"many/f3")));
    EXPECT_EQ(box->findText(QDir::toNativeSeparators(path(L"many/f3"))), 0);
    EXPECT_EQ(box->itemText(1), QDir::toNativeSeparators(path(L"many/f29")));
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts.append(box->itemText(i));
    EXPECT_EQ(texts.removeDuplicates(), 0);

    EXPECT_FALSE(dlg.navigate(path(L"docs/a.txt")));
    EXPECT_FALSE(dlg.navigate(path(L"docs/missing")));
    EXPECT_EQ(dlg.current_folder(), path(L"many/f3"));
}

TEST_F(PathPicker, HiddenFoldersFollowTheFilter) {
    const QString hidden = path(L"docs/.secret");
    make_dirs(sb.path(L"docs/.secret"));
    if (!olvex::is_hidden_path(hidden)) GTEST_SKIP() << "a leading dot hides nothing on this system";
    dlg.set_filter_options(0x1E3);
    dlg.show();
    EXPECT_FALSE(dlg.navigate(hidden));
    dlg.hide();
    dlg.set_filter_options(0x1EF);
    dlg.show();
    QAction* show_hidden = child<QAction>("show_hidden_action");
    EXPECT_TRUE(show_hidden->isChecked());
    ASSERT_TRUE(dlg.navigate(hidden));
    show_hidden->trigger();
    EXPECT_EQ(dlg.current_folder(), QString()) << "out of a folder that is no longer listed";
    EXPECT_FALSE(show_hidden->isChecked());
    dlg.hide();
    dlg.show();
    EXPECT_TRUE(show_hidden->isChecked()) << "the next run starts from the filter options again";
}

TEST_F(PathPicker, NextRunKeepsFolderAndViewButNoHistory) {
    dlg.show();
    ASSERT_TRUE(dlg.navigate(path(L"docs")));
    ASSERT_TRUE(dlg.navigate(path(L"docs/sub")));
    child<QAction>("show_icons_action")->trigger();
    EXPECT_NE(qobject_cast<QListView*>(dlg.view()), nullptr);
    dlg.hide();
    EXPECT_EQ(dlg.view(), nullptr);
    dlg.show();
    EXPECT_EQ(dlg.current_folder(), path(L"docs/sub"));
    EXPECT_NE(qobject_cast<QListView*>(dlg.view()), nullptr);
    EXPECT_FALSE(child<QToolButton>("left_btn")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("right_btn")->isEnabled());
    EXPECT_EQ(dlg.history().entries().size(), 1);
    child<QToolButton>("view_btn")->click();
    EXPECT_NE(qobject_cast<QTreeView*>(dlg.view()), nullptr);

    // A folder that went away between runs: the next one starts at the computer level.
    ASSERT_TRUE(dlg.navigate(path(L"docs/sub/deep")));
    dlg.hide();
    remove_tree(sb.path(L"docs/sub/deep"));
    dlg.show();
    EXPECT_EQ(dlg.current_folder(), QString());
}

}  // namespace
