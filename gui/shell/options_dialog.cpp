#include "gui/shell/options_dialog.h"

#include "engine/scheme.h"
#include "gui/shell/folder_browser.h"
#include "gui/shell/list_escape.h"
#include "gui/shell/message_dialog.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"
#include "services/interlang.h"
#include "services/shell_extension.h"
#include "ui_options_dialog.h"
#include "vandel/files.h"
#include "vandel/numbers.h"

#include <QLayout>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>
#include <vector>

namespace olvex {

namespace {

// The rows of the toolbar-button list.
enum { row_files, row_device, row_volume, row_space, row_trash, row_page, row_tools, row_count };
const wchar_t* const row_keys[row_count] = {L"MAIN_TBAR_FILES", L"MAIN_TBAR_DEVICE", L"MAIN_TBAR_VOLUME",
                                            L"MAIN_TBAR_CLEAN", L"MAIN_TBAR_TRASH", L"MAIN_TBAR_PAGE",
                                            L"MAIN_TBAR_TOOLS"};

struct entry {
    const wchar_t* key;
    int value;
};

void fill(QComboBox* combo, std::initializer_list<entry> entries) {
    combo->clear();
    for (const entry& e : entries) combo->addItem(qtr(e.key), e.value);
}

// "10,000,000" with the locale's separator: the C locale of a test run would omit it.
QString grouped(int value, const QLocale& locale) {
    QString digits = QString::number(value);
    for (int at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, locale.groupSeparator());
    return digits;
}

// As adjustSize, without its cap at two thirds of a small screen: the limits are the dialog's.
void fit_contents(QWidget* dialog) {
    if (dialog->layout()) dialog->layout()->activate();
    dialog->resize(dialog->sizeHint().expandedTo(dialog->minimumSize()).boundedTo(dialog->maximumSize()));
}

Qt::CheckState check_state(bool checked) { return checked ? Qt::Checked : Qt::Unchecked; }

const char* const information_text =
    "INFORMATION. This feature checks the language files for missing or obsolete translations, and is designed "
    "to help you update and create new language translations yourself. \n\nIt works by testing all text items in "
    "the software and ensures that, for each item of text, there are corresponding translations in all "
    "languages.\n\nTake a look in the 'lang' subdirectory of the application path for thelanguage files. Here you "
    "can make a copy of English ('en') file, update the text to that of your own language and save the file under "
    "a different name. You can then use this feature to ensure that everything is correct. Any omissions will be "
    "reported here, so that you can see what's missings and still needs to be updated.\n\nClick the Help button "
    "below for further instructions.";

}  // namespace

int select_combo_by_value(QComboBox* combo, double value) {
    if (combo->count() == 0) return -1;
    int best = 0;
    double best_distance = std::fabs(combo->itemData(0).toDouble() - value);
    for (int i = 1; i < combo->count(); ++i) {
        const double distance = std::fabs(combo->itemData(i).toDouble() - value);
        if (distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    combo->setCurrentIndex(best);
    return best;
}

OptionsDialog::OptionsDialog(QWidget* parent)
    : QDialog(parent, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::options_form>()) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(parent ? QStringLiteral(":/main/menu_tools.png") : QStringLiteral(":/main/zyicon.png")));
    max_size_ = maximumSize();

    zyapp& app = zyapp::instance();
    const bool portable = app.is_portable();
    const bool registry = app.offers_registry_features();
    // The automatic close belongs to dialog mode, which every installed copy has; the Explorer
    // menu's own choices are there only where the system keeps them.
    ui_->shell_widget->setVisible(!portable);
    for (QWidget* explorer : {static_cast<QWidget*>(ui_->shell_lab), static_cast<QWidget*>(ui_->shell_cmb),
                              static_cast<QWidget*>(ui_->shell_icons_chk)})
        explorer->setVisible(registry);
    if (!registry) ui_->shell_widget->setMinimumHeight(0);
    if (app.is_dialog_mode()) {
        ui_->page_tab->removeTab(ui_->page_tab->indexOf(ui_->toobar_tab));
        ui_->apply_btn->hide();
    }

    report_ = new MessageDialog(this, windowIcon());
    report_->set_help_url(web_page_url(web_page::create_language).toString());

    const interlang& table = interlang::instance();
    std::vector<std::wstring> codes;
    table.languages(codes);
    for (const std::wstring& code : codes) {
        const std::wstring name = table.translate(L"LANGUAGE", code);
        if (!name.empty()) ui_->lang_cmb->addItem(to_qstring(name), to_qstring(code));
    }
    for (uint32_t scheme = 0; scheme <= 9; ++scheme) ui_->def_scheme_cmb->addItem(to_qstring(scheme_text(scheme)));

    const QLocale locale;
    ui_->ftol_cmb->addItem(QStringLiteral("0%"));
    for (int tenth = 1; tenth <= 9; ++tenth)
        ui_->ftol_cmb->addItem(QStringLiteral("0") + locale.decimalPoint() + QString::number(tenth) + QLatin1Char('%'),
                               tenth / 10.0);
    for (int percent : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 20, 30, 40, 50})
        ui_->ftol_cmb->addItem(QString::number(percent) + locale.decimalPoint() + QStringLiteral("0%"), percent);
    for (int lines : {500, 1000, 5000, 10000, 25000, 50000, 75000, 100000, 250000, 500000, 750000, 1000000, 2500000,
                      5000000, 7500000, 10000000})
        ui_->maxlog_cmb->addItem(grouped(lines, locale), lines);

    for (int row = 0; row < row_count; ++row) {
        auto* item = new QListWidgetItem(ui_->check_list);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    ui_->check_list->setRowHidden(row_page, !registry);
    ui_->local_chk->setVisible(portable);
    // Room for the seven rows without a scroll bar: a row is as high as a check box when shown.
    const int row = std::max(ui_->menu_chk->height(), ui_->menu_chk->sizeHint().height());
    ui_->check_list->setFixedHeight(7 * row + 14 * ui_->check_list->spacing() + 2 * ui_->check_list->frameWidth());
    ui_->page_tab->setCurrentIndex(0);
    keep_escape_in_open_lists(this);

    refresh_texts(false);
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::refresh_texts(bool retranslate) {
    try {
        if (retranslate) ui_->retranslateUi(this);
        if (!parentWidget()) setWindowTitle(QStringLiteral("Oblivar - ") + qtr(L"OPTIONS_TITLE"));

        ui_->shell_cmb->clear();
        ui_->shell_cmb->addItem(qtr(L"OPTIONS_SHOW_CONTEXT"), true);
        ui_->shell_cmb->addItem(qtr(L"OPTIONS_NO_CONTEXT"), false);
        ui_->lang_link->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                                    .arg(web_page_url(web_page::language_packs).toString(QUrl::FullyEncoded),
                                         qtr(L"OPTIONS_LANGUAGE_LINK").toHtmlEscaped()));
        fill(ui_->theme_cmb, {{L"OPTIONS_THEME_WHITE", 0},
                              {L"OPTIONS_THEME_DEFAULT", 1},
                              {L"OPTIONS_THEME_AUBERGINE", 4},
                              {L"OPTIONS_THEME_DARK", 2},
                              {L"OPTIONS_THEME_TEAL", 6},
                              {L"OPTIONS_THEME_SILVER", 5},
                              {L"OPTIONS_THEME_YELLOW", 3}});
        ui_->rename_cmb->clear();
        ui_->rename_cmb->addItem(qtr(L"OPTIONS_SIMPLE_DELETE_ITEM"), 0);
        for (int n = 1; n <= 9; ++n)
            ui_->rename_cmb->addItem(
                to_qstring(tr_arg(L"OPTIONS_RENAME_ITEM", vandel::int_to_text<std::wstring>(static_cast<uint64_t>(n)))),
                n);
        // The verification bits of a scheme word, held as signed 32-bit numbers.
        fill(ui_->verify_cmb, {{L"MISC_VERIFY_FIRST", static_cast<int>(0x40000000)},
                               {L"MISC_VERIFY_LAST", static_cast<int>(0x80000000u)},
                               {L"MISC_VERIFY_BOTH", static_cast<int>(0xC0000000u)}});
        fill(ui_->tb_pos_cmb, {{L"OPTIONS_TBAR_LEFT", 0}, {L"OPTIONS_TBAR_TOP", 1}, {L"OPTIONS_TBAR_RIGHT", 2}});
        fill(ui_->tb_size_cmb, {{L"OPTIONS_TBAR_SMALL", 0}, {L"OPTIONS_TBAR_MEDIUM", 1}, {L"OPTIONS_TBAR_LARGE", 2}});
        fill(ui_->tb_txt_cmb,
             {{L"OPTIONS_TBAR_NO_TEXT", 0}, {L"OPTIONS_TBAR_UNDER_TEXT", 1}, {L"OPTIONS_TBAR_BESIDE_TEXT", 2}});
        ui_->loglife_cmb->clear();
        ui_->loglife_cmb->addItem(qtr(L"MISC_NEVER_TEXT"), 0);
        ui_->loglife_cmb->addItem(QStringLiteral("24 ") + qtr(L"MISC_HOURS_TEXT"), 86400);
        ui_->loglife_cmb->addItem(QStringLiteral("1 ") + qtr(L"MISC_WEEK_TEXT"), 604800);
        ui_->loglife_cmb->addItem(QStringLiteral("1 ") + qtr(L"MISC_MONTH_TEXT"), 2678400);
        ui_->loglife_cmb->addItem(QStringLiteral("1 ") + qtr(L"MISC_YEAR_TEXT"), 31622400);
        for (int row = 0; row < row_count; ++row) ui_->check_list->item(row)->setText(qtr(row_keys[row]));

        update_log_status();
        // A later refresh may widen the dialog up to its limit but never shrinks it.
        setMaximumSize(max_size_);
        fit_contents(this);
        setMinimumSize(size());
        setMaximumSize(size());
        load_settings();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Exception"), QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    }
}

void OptionsDialog::load_settings() {
    settings& s = zyapp::instance().settings();
    ui_->def_scheme_cmb->setCurrentIndex(s.get_default_scheme());

    const QString current = QString::fromStdString(interlang::instance().current_language_narrow());
    const int language = ui_->lang_cmb->findData(current, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (ui_->lang_cmb->count() > 0) ui_->lang_cmb->setCurrentIndex(language < 0 ? 0 : language);

    select_combo_by_value(ui_->rename_cmb, s.get_rename_count());
    select_combo_by_value(ui_->ftol_cmb, s.get_ftol_perc());
    select_combo_by_value(ui_->verify_cmb, s.get_verify_scheme());
    select_combo_by_value(ui_->loglife_cmb, s.get_logfile_lifetime());
    select_combo_by_value(ui_->maxlog_cmb, s.get_max_log_size());

    ui_->auto_close_chk->setChecked(s.get_auto_close());
    ui_->menu_chk->setChecked(s.get_show_menu());
    ui_->tran_chk->setChecked(s.get_transparent_menu());
    ui_->graphic_chk->setChecked(s.get_show_graphic());
    ui_->tools_chk->setChecked(s.get_show_toolbar());
    ui_->tool_shade_chk->setChecked(s.get_shaded_toolbar());
    ui_->abort_chk->setChecked(s.get_abort_on_error());
    ui_->confirm_chk->setChecked(s.get_confirm_wipe());
    ui_->verbose_chk->setChecked(s.get_verbose_log());
    ui_->bom_chk->setChecked(s.get_log_bom());
    ui_->log_user_chk->setChecked(s.get_log_user());
    ui_->sound_chk->setChecked(s.get_sys_sounds());
    ui_->force_shutdown_chk->setChecked(s.get_force_shutdown());

    if (s.get_log_local()) {
        ui_->local_chk->setChecked(true);
        on_local_chk_toggled(true);
    } else {
        ui_->local_chk->setChecked(false);
        ui_->location_edit->setText(to_qstring(s.get_log_location()));
    }
    ui_->verify_chk->setChecked(s.get_def_verify());

    select_combo_by_value(ui_->theme_cmb, s.get_theme_color());
    select_combo_by_value(ui_->tb_pos_cmb, s.get_toolbar_place());
    select_combo_by_value(ui_->tb_size_cmb, s.get_toolbar_size());
    select_combo_by_value(ui_->tb_txt_cmb, s.get_toolbar_text());

    const bool rows[row_count] = {s.get_show_files_btn(), s.get_show_device_btn(), s.get_show_volume_btn(),
                                  s.get_show_space_btn(), s.get_show_trash_btn(),  s.get_show_page_btn(),
                                  s.get_show_tools_btn()};
    for (int row = 0; row < row_count; ++row) ui_->check_list->item(row)->setCheckState(check_state(rows[row]));

    ui_->shell_cmb->setCurrentIndex(is_shell_extension_enabled() ? 0 : 1);
    ui_->shell_icons_chk->setChecked(get_shell_icons() != 0);
    if (isVisible()) update_log_status();
}

bool OptionsDialog::save_settings() {
    zyapp& app = zyapp::instance();
    settings& s = app.settings();
    s.set_default_scheme(ui_->def_scheme_cmb->currentIndex());
    const std::wstring language = from_qstring(ui_->lang_cmb->currentData().toString());
    s.set_language(language);

    bool shell_written = true;
    if (app.offers_registry_features() && shell_extension_installed()) {
        // The setters write only while the extension is registered: only then is a refusal news.
        shell_written = set_shell_enabled(ui_->shell_cmb->currentData().toBool());
        shell_written = set_shell_language(language) && shell_written;
        shell_written = set_shell_icons(ui_->shell_icons_chk->isChecked()) && shell_written;
    }

    s.set_theme_color(ui_->theme_cmb->currentData().toInt());
    s.set_rename_count(ui_->rename_cmb->currentData().toInt());
    s.set_ftol_perc(ui_->ftol_cmb->currentData().toDouble());
    s.set_logfile_lifetime(ui_->loglife_cmb->currentData().toInt());
    s.set_max_log_size(ui_->maxlog_cmb->currentData().toInt());
    s.set_verify_scheme(ui_->verify_cmb->currentData().toInt());

    s.set_auto_close(ui_->auto_close_chk->isChecked());
    s.set_show_menu(ui_->menu_chk->isChecked());
    s.set_transparent_menu(ui_->tran_chk->isChecked());
    s.set_show_graphic(ui_->graphic_chk->isChecked());
    s.set_show_toolbar(ui_->tools_chk->isChecked());
    s.set_shaded_toolbar(ui_->tool_shade_chk->isChecked());
    s.set_abort_on_error(ui_->abort_chk->isChecked());
    s.set_def_verify(ui_->verify_chk->isChecked());
    s.set_verbose_log(ui_->verbose_chk->isChecked());
    s.set_confirm_wipe(ui_->confirm_chk->isChecked());
    s.set_log_local(ui_->local_chk->isChecked());
    s.set_log_bom(ui_->bom_chk->isChecked());
    s.set_log_user(ui_->log_user_chk->isChecked());
    s.set_sys_sounds(ui_->sound_chk->isChecked());
    s.set_force_shutdown(ui_->force_shutdown_chk->isChecked());
    if (!ui_->local_chk->isChecked()) s.set_log_location(from_qstring(ui_->location_edit->text()));

    s.set_toolbar_place(ui_->tb_pos_cmb->currentData().toInt());
    s.set_toolbar_size(ui_->tb_size_cmb->currentData().toInt());
    s.set_toolbar_text(ui_->tb_txt_cmb->currentData().toInt());

    auto checked = [this](int row) { return ui_->check_list->item(row)->checkState() == Qt::Checked; };
    s.set_show_device_btn(checked(row_device));
    s.set_show_volume_btn(checked(row_volume));
    s.set_show_files_btn(checked(row_files));
    s.set_show_space_btn(checked(row_space));
    s.set_show_trash_btn(checked(row_trash));
    s.set_show_page_btn(checked(row_page));
    if (ui_->menu_chk->isChecked()) s.set_show_tools_btn(checked(row_tools));

    const bool written = s.close() && shell_written;
    app.apply_settings();
    if (!written)
        QMessageBox::critical(this, QStringLiteral("Oblivar"), qtr(L"OPTIONS_SAVE_FAILED_MSG"), QMessageBox::Ok);
    return written;
}

void OptionsDialog::update_log_status() {
    std::wstring folder = from_qstring(ui_->location_edit->text());
    if (ui_->local_chk->isChecked()) folder = zyapp::instance().settings().portable_log_folder();
    if (folder.empty())
        ui_->log_info_lab->setText(qtr(L"MISC_DISABLED"));
    else if (vandel::is_directory(folder))
        ui_->log_info_lab->setText(qtr(L"MISC_ENABLED"));
    else
        ui_->log_info_lab->setText(QStringLiteral("<span style=\"color:#7F0000;\">%1</span>")
                                       .arg(qtr(L"OPTIONS_LOG_WARNING").toHtmlEscaped()));
}

void OptionsDialog::on_help_btn_clicked() {
    open_web_page(web_page::configuration);
}

void OptionsDialog::on_ok_btn_clicked() {
    save_settings();
    accept();
}

void OptionsDialog::on_apply_btn_clicked() { save_settings(); }

void OptionsDialog::on_cancel_btn_clicked() { reject(); }

void OptionsDialog::on_validate_btn_clicked() {
    const interlang& table = interlang::instance();
    std::vector<std::wstring> codes;
    table.languages(codes);
    std::wstring text = L"LANGUAGES: ";
    for (size_t i = 0; i < codes.size(); ++i) text += (i ? L", " : L"") + codes[i];
    text += L"\nCheck Language Translations...\n\n";
    std::wstring report;
    QString message = to_qstring(text);
    if (table.translation_report(report, 100)) {
        message += QStringLiteral("ALL OK\n\n\n") + QString::fromLatin1(information_text);
    } else {
        message += QStringLiteral(
                       "Problems Detected\nThere are missing translations in one or more languages, or one or more "
                       "language files contains language translation keys that are no longer used.\n\n") +
                   to_qstring(report) + QStringLiteral("\nClick the Help button below for further instructions.");
    }
    report_->setWindowTitle(ui_->validate_btn->text());
    report_->set_message(message);
    report_->exec();
}

void OptionsDialog::on_shell_cmb_currentIndexChanged(int index) {
    const bool shown = ui_->shell_cmb->itemData(index).toBool();
    ui_->shell_icons_chk->setEnabled(shown);
    // Without the Explorer menu, dialog mode comes from a plain start with file paths.
    ui_->auto_close_chk->setEnabled(shown || !zyapp::instance().offers_registry_features());
}

void OptionsDialog::on_menu_chk_toggled(bool checked) {
    // Without the main menu the toolbar and its tools button are the only way to the options.
    settings& s = zyapp::instance().settings();
    ui_->tools_chk->setEnabled(checked);
    ui_->tools_chk->setChecked(checked ? s.get_show_toolbar() : true);
    QListWidgetItem* tools = ui_->check_list->item(row_tools);
    tools->setFlags(checked ? Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled
                            : Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    tools->setCheckState(check_state(checked ? s.get_show_tools_btn() : true));
}

void OptionsDialog::on_local_chk_toggled(bool checked) {
    if (!zyapp::instance().is_portable()) return;
    if (checked)
        ui_->location_edit->setText(qtr(L"OPTIONS_LOCAL_LEADER") + QStringLiteral("zy-log"));
    else
        ui_->location_edit->clear();
    if (isVisible()) update_log_status();
}

void OptionsDialog::on_populate_log_btn_clicked() {
    const QString folder = browse_for_folder(this);
    if (folder.isEmpty()) return;
    ui_->local_chk->setChecked(false);
    ui_->location_edit->setText(folder);
    update_log_status();
}

void OptionsDialog::on_clear_log_btn_clicked() {
    ui_->location_edit->clear();
    ui_->local_chk->setChecked(false);
    update_log_status();
}

void OptionsDialog::showEvent(QShowEvent* event) {
    load_settings();
    fit_contents(this);
    centre_on_parent(this);
    QDialog::showEvent(event);
}

void OptionsDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        refresh_texts(true);
        return;
    }
    QWidget::changeEvent(event);
}

}  // namespace olvex
