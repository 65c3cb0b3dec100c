#include "gui/shell/log_window.h"

#include "engine/engine.h"
#include "engine/path_macros.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/zyapp.h"
#include "services/interlang.h"
#include "services/log_names.h"
#include "ui_log_window.h"
#include "vandel/clock.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/strings.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QTextStream>

#include <algorithm>

namespace olvex {

namespace {

// What a window's frame adds to its size: nothing before the window first had a frame.
QSize frame_extra(const QWidget* w) { return w->frameGeometry().size() - w->size(); }

// The screen that holds most of r, as far as its centre tells; the primary one for a place that
// lies on none.
const QScreen* screen_for(const QRect& r) {
    if (QScreen* screen = QGuiApplication::screenAt(r.center())) return screen;
    return QGuiApplication::primaryScreen();
}

}  // namespace

QRect fit_into_screen(const QRect& r, const QRect& screen) {
    const int w = std::min(r.width(), screen.width()), h = std::min(r.height(), screen.height());
    const int x = std::max(screen.x(), std::min(r.x(), screen.x() + screen.width() - w));
    const int y = std::max(screen.y(), std::min(r.y(), screen.y() + screen.height() - h));
    return {x, y, w, h};
}

QPoint log_window_position(const QRect& other, const QSize& own, const QRect& screen) {
    const int gap = 30;
    const int screen_right = screen.x() + screen.width(), other_right = other.x() + other.width();
    const int right = other_right + gap, left = other.x() - gap - own.width();
    int x;
    if (right + own.width() <= screen_right)
        x = right;
    else if (left >= screen.x())
        x = left;
    else
        // Neither side has room: cover as little of the other window as the screen allows.
        x = screen_right - other_right >= other.x() - screen.x() ? screen_right - own.width() : screen.x();
    return fit_into_screen(QRect(QPoint(x, other.y()), own), screen).topLeft();
}

QFont fixed_pitch_font() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontInfo(font).fixedPitch()) return font;
    // The platform's choice is not installed everywhere: any scalable fixed-pitch family, the
    // common ones first so the choice doesn't hang on the order fonts are listed in.
    const QFontDatabase db;
    QStringList candidates = {QStringLiteral("Consolas"),         QStringLiteral("Lucida Console"),
                              QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                              QStringLiteral("Noto Sans Mono"),   QStringLiteral("Cousine")};
    candidates += db.families();
    for (const QString& family : candidates) {
        if (!db.hasFamily(family) || !db.isFixedPitch(family) || !db.isSmoothlyScalable(family) ||
            db.writingSystems(family).contains(QFontDatabase::Symbol))
            continue;
        font.setFamily(family);
        if (QFontInfo(font).fixedPitch()) return font;
    }
    return font;
}

LogWindow::LogWindow() : QDialog(nullptr, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::log_form>()) {
    ui_->setupUi(this);
    ui_->text_edit->setFont(fixed_pitch_font());
    setWindowIcon(QIcon(QStringLiteral(":/main/menu_log.png")));
    resize(450, 450);
    ui_->copy_btn->setEnabled(false);
}

LogWindow::~LogWindow() = default;

void LogWindow::append_line(const std::wstring& text) {
    if (text.empty()) return;
    if (new_log_due_) {
        new_log_due_ = false;
        settings& s = zyapp::instance().settings();
        // The folder as it will be used: its date macros expanded.
        const std::wstring folder = expand_path_macros(s.get_log_location());
        if (!folder.empty() && vandel::is_directory(folder)) open_log(vandel::add_trailing_separator(folder));
    }
    ui_->text_edit->appendPlainText(to_qstring(text));
    ui_->text_edit->verticalScrollBar()->setValue(ui_->text_edit->verticalScrollBar()->maximum());
    if (!log_.is_open()) return;
    // One line end per line, so a file written on Windows has CR LF throughout.
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(L'\n', start);
        log_.write_line(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
}

void LogWindow::open_log(const std::wstring& folder) {
    settings& s = zyapp::instance().settings();
    const int64_t lifetime = s.get_logfile_lifetime();
    if (lifetime > 0) start_cleanup(folder, vandel::now_s() - lifetime);
    std::wstring name;
    // A log that can't be made leaves the lines on screen only.
    open_new_log_file(folder, s.get_log_user(), s.get_log_bom(), log_, name);
}

void LogWindow::start_cleanup(const std::wstring& folder, int64_t cutoff) {
    job_options options;
    options.job_type = job_files;
    options.scheme = 1;
    options.tolerance = 1.0;
    options.rename_count = 3;
    options.abort_on_error = 0;
    options.empty_recycler = 0;
    options.leave_dirs = 1;
    options.modified_before = cutoff;
    options.speed = 100;
    options.log_limit = 25000;
    options.log_user = 1;
    options.verbose = 0;
    if (!cleanup_) cleanup_ = std::make_unique<engine>();
    // A clean-up still under way is left to finish; one that ended makes room for the next.
    if (is_active_state(cleanup_->get_state())) return;
    cleanup_->reset();
    const std::wstring pattern = make_log_file_name(folder, zyapp::instance().settings().get_log_user(), true);
    if (pattern.empty()) return;
    if (cleanup_->start_job(pattern, options, std::wstring(1, L'\0')) == err_ok) cleanup_->confirm_start();
}

void LogWindow::start_new_log() {
    ui_->text_edit->clear();
    close_log_file();
}

void LogWindow::close_log_file() {
    log_.close();
    new_log_due_ = true;
}

std::wstring LogWindow::log_file_path() const { return log_.is_open() ? log_.path() : std::wstring(); }

void LogWindow::place_beside(QWidget* other) {
    if (!other) return;
    const QRect frame = other->frameGeometry();
    const QScreen* screen = screen_for(frame);
    if (!screen) return;
    // Before its first show this window has no frame yet; it gets one like other's.
    QSize extra = frame_extra(this);
    if (extra.isNull()) extra = frame_extra(other);
    move(log_window_position(frame, size() + extra, screen->availableGeometry()));
}

void LogWindow::place_at(const QPoint& pos, const QSize& size) {
    if (size.isValid()) resize(size);
    const QSize extra = frame_extra(this);
    const QRect wanted(pos, this->size() + extra);
    const QScreen* screen = screen_for(wanted);
    if (!screen) {
        move(pos);
        return;
    }
    const QRect placed = fit_into_screen(wanted, screen->availableGeometry());
    if (placed.size() != wanted.size()) resize(placed.size() - extra);
    move(placed.topLeft());
}

bool LogWindow::save_to(const QString& path) {
    // The old file stays whole unless all of the text reached the new one.
    QSaveFile file(path);
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (saved) {
        QTextStream out(&file);
        out.setCodec("UTF-8");
        out << ui_->text_edit->toPlainText();
        out.flush();
        saved = out.status() == QTextStream::Ok && file.commit();
    }
    if (!saved)
        QMessageBox::warning(this, to_qstring(olvex::tr(L"LOG_FAILED_CAP")),
                             QDir::toNativeSeparators(path) + QStringLiteral("\n\n") + file.errorString());
    return saved;
}

void LogWindow::on_save_btn_clicked() {
    std::wstring home;
    vandel::known_folder(vandel::folder_profile, home);
    const QString path = QFileDialog::getSaveFileName(this, QString(), to_qstring(home));
    if (!path.isEmpty()) save_to(path);
}

void LogWindow::on_select_btn_clicked() {
    ui_->text_edit->selectAll();
    ui_->text_edit->setFocus();
}

void LogWindow::on_copy_btn_clicked() { ui_->text_edit->copy(); }

void LogWindow::on_close_btn_clicked() { close(); }

void LogWindow::on_text_edit_copyAvailable(bool available) { ui_->copy_btn->setEnabled(available); }

void LogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LogWindow::showEvent(QShowEvent* event) {
    shown_once_ = true;
    QDialog::showEvent(event);
}

void LogWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) ui_->retranslateUi(this);
    QDialog::changeEvent(event);
}

}  // namespace olvex
