#include "gui/wipe/page_dialog.h"

#include "gui/shell/message_dialog.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"
#include "gui/wipe/harm_question.h"
#include "gui/wipe/page_file.h"
#include "services/command_bridge.h"
#include "services/session.h"
#include "ui_page_dialog.h"

#include <QLayout>
#include <QMessageBox>

#include <algorithm>

#include <exception>

namespace olvex {

namespace {

const int design_width = 468;

}  // namespace

uint32_t page_file_command_word(int mode) {
    switch (mode) {
    case page_file_clear_always:
        return CMD_PAGE_FILE_CLEAR_ALWAYS;
    case page_file_clear_next:
        return CMD_PAGE_FILE_CLEAR_NEXT;
    default:
        return CMD_PAGE_FILE_CLEAR_OFF;
    }
}

PageDialog::PageDialog(QWidget* parent)
    : QDialog(parent, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::pagefile_form>()) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(parent ? QStringLiteral(":/main/menu_page.png") : QStringLiteral(":/main/zyicon.png")));
    ui_->apply_btn->setIcon(QIcon(QStringLiteral(":/main/menu_shield.png")));
}

PageDialog::~PageDialog() = default;

void PageDialog::showEvent(QShowEvent* event) {
    ui_->retranslateUi(this);
    // Fixed at the size the texts need at the form's width: the wrapped descriptions take the
    // height their lines need there.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->activate();
    const int width = std::max(sizeHint().width(), design_width);
    const int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : sizeHint().height();
    setFixedSize(width, std::max(height, sizeHint().height()));
    if (parentWidget())
        centre_on_parent(this);
    else
        setWindowTitle(QStringLiteral("Oblivar"));
    load_state();
    QDialog::showEvent(event);
}

void PageDialog::load_state() {
    loaded_state_ = chosen_mode_ = page_file_clearing_state();
    QRadioButton* radio[] = {ui_->disabled_rad, ui_->once_rad, ui_->always_rad};
    radio[loaded_state_]->setChecked(true);
    ui_->pending_lab->clear();
    ui_->apply_btn->setEnabled(false);
}

void PageDialog::update_pending() {
    chosen_mode_ = ui_->once_rad->isChecked()     ? page_file_clear_next
                   : ui_->always_rad->isChecked() ? page_file_clear_always
                                                  : page_file_clear_off;
    const bool pending = chosen_mode_ != loaded_state_;
    ui_->pending_lab->setText(pending ? qtr(L"PAGE_PENDING_LAB") : QString());
    ui_->apply_btn->setEnabled(pending);
}

void PageDialog::on_once_rad_clicked() { update_pending(); }

void PageDialog::on_always_rad_clicked() { update_pending(); }

void PageDialog::on_disabled_rad_clicked() { update_pending(); }

bool PageDialog::apply_mode() {
    if (cached_elevation_type() != elevation_limited) return set_page_file_clearing(chosen_mode_);
    command_bridge bridge(L".tmp");
    return bridge.launch(L"zygui.exe", page_file_command_word(chosen_mode_), launch_runas_wait, command_payload{}) == 0;
}

void PageDialog::on_apply_btn_clicked() {
    if (chosen_mode_ == loaded_state_) {
        load_state();
        return;
    }
    try {
        if (apply_mode()) {
            settings& s = zyapp::instance().settings();
            // What the user had before the program first changed it, for the uninstall.
            if (!s.has_pagefile_state()) s.set_pagefile_state(loaded_state_ == page_file_clear_always);
            QString message = qtr(L"PAGE_SUCCESS_MSG");
            if (chosen_mode_ != page_file_clear_off) message += QStringLiteral("\n\n") + qtr(L"PAGE_SHUTDOWN_MSG");
            if (chosen_mode_ != page_file_clear_off && loaded_state_ == page_file_clear_off) {
                message += QStringLiteral("\n\n") + qtr(L"PAGE_SHUTDOWN_QUESTION");
                if (ask_before_harm(this, QMessageBox::Question, qtr(L"MISC_SUCCESS_TEXT"), message, QMessageBox::Yes,
                                    QMessageBox::No)) {
                    end_session(session_power_off, false);
                    close();
                }
            } else {
                QMessageBox::information(this, qtr(L"MISC_SUCCESS_TEXT"), message, QMessageBox::Ok);
            }
        } else {
            QMessageBox::critical(this, qtr(L"MISC_FAILED_TEXT"), qtr(L"PAGE_FAILED_MSG"), QMessageBox::Ok);
        }
    } catch (const std::exception&) {
    }
    load_state();
}

void PageDialog::on_close_btn_clicked() { close(); }

void PageDialog::on_help_btn_clicked() {
    open_web_page(web_page::page_file_help);
}

}  // namespace olvex
