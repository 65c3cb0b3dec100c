#pragma once
// After a job the user wanted to end the session: ten seconds to abort, then log off or power off.
// The session must not end while another instance still wipes: every job window holds the job
// lock file shared while its job runs, and the countdown goes on only while the lock could be
// taken alone. It is taken alone only to test that, at each tick (the last one just before the
// session is ended), so no instance is kept from starting a job meanwhile.
#include "vandel/lock_file.h"

#include <QDialog>
#include <QIcon>

#include <memory>

namespace Ui {
class shutdown_form;
}

namespace olvex {

// The job lock's name: a bare name, so it lies in the user's temporary folder.
extern const wchar_t* const job_lock_name;

class ShutdownManager : public QDialog {
    Q_OBJECT

public:
    ShutdownManager(QWidget* parent, const QIcon& icon);
    // Releases the job lock.
    ~ShutdownManager() override;

    // Counts down and ends the session in mode (1 log off, 2 power off) unless the user aborts.
    // Returns true when the countdown ran out (the session end was asked for, even if the system
    // refused it); false when aborted, already shown, or for another mode.
    bool run(int mode);
    // Returns whether the job lock is held shared after taking it so.
    bool hold_job_lock();
    // Gives up a shared hold; a test hold in progress is left alone.
    void release_job_lock();
    bool job_lock_held() const;

    // Seconds left; 10 until the lock was found free.
    int count() const { return count_; }
    // Whether the last test found no other instance holding the lock.
    bool lock_free() const { return lock_free_; }
    // The one-second timer's id; 0 when none runs.
    int timer_id() const { return timer_id_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private slots:
    void on_abort_btn_clicked();

private:
    // Returns whether the lock could be taken alone just now; it is released again at once.
    bool test_lock();
    void tick();
    void update_texts();

    int timer_id_ = 0;
    int count_ = 10;
    bool accepted_ = false;
    bool lock_free_ = false;
    int mode_ = 0;
    vandel::lock_file job_lock_;
    std::unique_ptr<Ui::shutdown_form> ui_;
};

}  // namespace olvex
