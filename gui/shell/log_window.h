#pragma once
// The job window's log: the job's lines as they come, to copy, select and save; each job's lines
// also go to a new file in the log folder, and opening one starts the clean-up that wipes this
// program's expired log files there on an engine of the window's own.
#include "vandel/file_stream.h"

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>
#include <string>

namespace Ui {
class log_form;
}

namespace olvex {

class engine;

// Returns the top-left corner for a window of size own (frame included) beside other (its
// frame) on a screen whose free area is screen: right of other with a gap of 30 where that fits,
// else left of it where that fits, else against the screen's edge on the side with more room.
// The window lies inside screen wherever it fits in it at all.
QPoint log_window_position(const QRect& other, const QSize& own, const QRect& screen);
// Returns r moved, and cut to the screen's size where larger, so that it lies inside screen.
QRect fit_into_screen(const QRect& r, const QRect& screen);
// Returns a font whose characters all have one width (the log's columns line up): the
// platform's fixed-pitch font, or else an installed fixed-pitch family.
QFont fixed_pitch_font();

class LogWindow : public QDialog {
    Q_OBJECT

public:
    LogWindow();
    // Aborts and joins a clean-up still running; closes the log file.
    ~LogWindow() override;

    // Shows text (lines joined with "\n") and writes its lines to the log file; the first text
    // after start_new_log or close_log_file opens a new file. Empty text is ignored.
    void append_line(const std::wstring& text);
    // A job was set up: an empty view, and its lines go to a new file.
    void start_new_log();
    // The job ended: the next lines go to a new file.
    void close_log_file();
    // Moves the window beside other, inside other's screen (nothing when null).
    void place_beside(QWidget* other);
    // Puts the window at pos with size (when valid), moved and cut to lie inside the screen that
    // holds it, or the primary screen when none does.
    void place_at(const QPoint& pos, const QSize& size);
    // Whether the window was ever shown.
    bool shown_once() const { return shown_once_; }

    // The open log file's path; empty while none is open.
    std::wstring log_file_path() const;
    // The clean-up engine; null until a clean-up was first needed.
    engine* cleanup_engine() const { return cleanup_.get(); }
    // Writes the view's text to path (replacing the file only once all was written). Returns
    // whether it was saved; a failure is shown in a warning box.
    bool save_to(const QString& path);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_save_btn_clicked();
    void on_select_btn_clicked();
    void on_copy_btn_clicked();
    void on_close_btn_clicked();
    void on_text_edit_copyAvailable(bool available);

private:
    // Opens the job's log file in folder (the settings' log folder, existing), starting the
    // clean-up first when a lifetime is set.
    void open_log(const std::wstring& folder);
    // Starts the clean-up of the log files in folder last written before cutoff (s since 1970).
    void start_cleanup(const std::wstring& folder, int64_t cutoff);

    bool shown_once_ = false;
    bool new_log_due_ = true;
    vandel::file_stream log_;
    std::unique_ptr<engine> cleanup_;
    std::unique_ptr<Ui::log_form> ui_;
};

}  // namespace olvex
