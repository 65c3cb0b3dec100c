#pragma once
// The picture in the job window's header: a still image for the job's outcome, or a frame
// sequence that plays while a job is busy, with a shield over still pictures when the process
// runs with administrator rights. Told what to show by the job window; animates from its own timer.
#include <QLabel>
#include <QString>

namespace olvex {

// Picture numbers.
enum : int {
    picture_idle = 1,  // the theme's state image
    picture_done = 2,
    picture_error = 3,
    picture_paused = 4,
    picture_warning = 5,
    picture_device = 6,
    picture_volume = 7,
    picture_files = 8,
    picture_clean = 9,
    picture_trash = 10,
};

// Returns the frame count of picture: 0 a still picture, 16 a cycle, -8 eight frames swinging.
int animator_frame_count(int picture);
// Returns the frame shown at the ticks'th timer tick (ticks >= 1) of a sequence of count.
int animator_frame(int count, int ticks);
// Returns the resource path of picture's frame (theme: THEME_COLOR, used by the idle picture);
// empty for a picture without an image.
QString animator_image(int picture, int frame, int theme);
// Returns the resource path of the shield drawn over picture; empty when it gets none.
QString animator_shield(int picture);

class Animator : public QLabel {
    Q_OBJECT

public:
    // interval: milliseconds between frames; 0 or less never animates.
    Animator(QWidget* parent, int interval);

    // Shows picture, animated when animate and it has frames, with the shield when overlay and
    // it stands still. The same picture with the same animate flag changes nothing.
    void set_state(int picture, bool animate, bool overlay);
    // Shows or hides the animator as SHOW_GRAPHIC says and redraws a still picture (a theme change).
    void refresh();

    int picture() const { return picture_; }
    int frame() const { return frame_; }
    bool is_animating() const { return timer_id_ != 0; }
    // The frame timer's id; 0 when none runs.
    int frame_timer() const { return timer_id_; }
    bool has_overlay() const { return overlay_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void render(int picture, int frame);

    int timer_id_ = 0;
    int interval_ = 0;
    int frame_count_ = 0;
    int ticks_ = 0;
    bool overlay_ = false;
    int picture_ = 0;
    int frame_ = 0;
};

}  // namespace olvex
