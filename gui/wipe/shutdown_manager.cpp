#include "gui/wipe/shutdown_manager.h"

#include "gui/shell/message_dialog.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/zyapp.h"
#include "services/interlang.h"
#include "services/session.h"
#include "ui_shutdown_manager.h"
#include "vandel/numbers.h"

#include <QApplication>
#include <QLayout>
#include <QMessageBox>
#include <QPixmap>
#include <QTimerEvent>

#include <algorithm>
#include <exception>
#include <string>

namespace olvex {

const wchar_t* const job_lock_name = L"olvex_job.lock";

ShutdownManager::ShutdownManager(QWidget* parent, const QIcon& icon)
    : QDialog(parent, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::shutdown_form>()) {
    ui_->setupUi(this);
    setWindowIcon(icon);
    resize(sizeHint().expandedTo(QSize(385, 150)));
    job_lock_.set_path(job_lock_name);
}

ShutdownManager::~ShutdownManager() { job_lock_.release(); }

bool ShutdownManager::run(int mode) {
    if (isVisible() || (mode != session_log_off && mode != session_power_off)) return false;
    mode_ = mode;
    accepted_ = false;
    QPixmap image(mode == session_log_off ? QStringLiteral(":/main/sd_logoff.png")
                                          : QStringLiteral(":/main/sd_pwroff.png"));
    const QSize room = ui_->graphic_label->size();
    if (image.width() > room.width() || image.height() > room.height())
        image = image.scaled(room, Qt::KeepAspectRatio, Qt::FastTransformation);
    ui_->graphic_label->setPixmap(image);
    // This job's own shared hold must not count as another instance's.
    job_lock_.release();
    lock_free_ = test_lock();
    zyapp::instance().raise_main_window();
    exec();
    return accepted_;
}

bool ShutdownManager::hold_job_lock() { return job_lock_.acquire_shared(); }

void ShutdownManager::release_job_lock() {
    if (job_lock_.state() == 1) job_lock_.release();
}

bool ShutdownManager::job_lock_held() const { return job_lock_.state() != 0; }

bool ShutdownManager::test_lock() {
    job_lock_.release();
    const bool free = job_lock_.acquire_exclusive();
    job_lock_.release();
    return free;
}

void ShutdownManager::tick() {
    const bool was_free = lock_free_;
    lock_free_ = test_lock();
    if (!lock_free_) {
        // Another job began: when it ends, the user gets the full ten seconds again.
        count_ = 10;
    } else if (was_free && --count_ < 1) {
        accepted_ = true;
        accept();
        return;
    }
    update_texts();
}

void ShutdownManager::update_texts() {
    try {
        const std::wstring suffix = mode_ == session_log_off ? L"_LOGOFF" : L"_PWROFF";
        setWindowTitle(to_qstring(olvex::tr(L"SHUTDOWN_WIN_TITLE" + suffix)));
        ui_->text_lab->setText(to_qstring(olvex::tr(L"SHUTDOWN_IMMINENT_TEXT")));
        ui_->title_lab->setText(to_qstring(lock_free_ ? olvex::tr_arg(L"SHUTDOWN_IMMINENT_TITLE" + suffix, vandel::int_to_text<std::wstring>(static_cast<uint64_t>(count_)))
                                                      : olvex::tr(L"SHUTDOWN_PENDING_TITLE" + suffix)));
        // Wrapped texts need their height at this width (the form's maximum still holds).
        if (layout()->hasHeightForWidth()) resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Exception"), QString::fromLocal8Bit(e.what()));
    }
}

void ShutdownManager::on_abort_btn_clicked() { reject(); }

void ShutdownManager::showEvent(QShowEvent* event) {
    centre_on_parent(this);
    if (timer_id_) killTimer(timer_id_);
    count_ = 10;
    timer_id_ = startTimer(1000, Qt::CoarseTimer);
    ui_->retranslateUi(this);
    update_texts();
    QDialog::showEvent(event);
}

void ShutdownManager::hideEvent(QHideEvent* event) {
    if (timer_id_) killTimer(timer_id_);
    timer_id_ = 0;
    if (accepted_ && end_session(mode_, false)) QApplication::closeAllWindows();
    job_lock_.release();
    QDialog::hideEvent(event);
}

void ShutdownManager::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_id_ || timer_id_ == 0) {
        QDialog::timerEvent(event);
        return;
    }
    try {
        tick();
    } catch (...) {
        close();
    }
}

}  // namespace olvex
