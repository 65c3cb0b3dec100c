#include "gui/wipe/animator.h"

#include "gui/shell/theme.h"
#include "gui/shell/zyapp.h"

#include <QPainter>
#include <QPixmap>
#include <QTimerEvent>

#include <cstdlib>

namespace olvex {

namespace {

const char* frame_set(int picture) {
    switch (picture) {
    case picture_device: return ":/main/device_idx%1.png";
    case picture_volume: return ":/main/volume_idx%1.png";
    case picture_files: return ":/main/files_idx%1.png";
    case picture_clean: return ":/main/clean_idx%1.png";
    case picture_trash: return ":/main/trash_idx%1.png";
    default: return nullptr;
    }
}

}  // namespace

int animator_frame_count(int picture) {
    switch (picture) {
    case picture_device:
    case picture_volume:
    case picture_files:
    case picture_trash:
        return -8;
    case picture_clean:
        return 16;
    default:
        return 0;
    }
}

int animator_frame(int count, int ticks) {
    const int n = std::abs(ticks);
    if (count > 1) return n % count;
    if (count < -1) {
        const int k = -count - 1;
        return std::abs(n % (2 * k) - k);
    }
    return 0;
}

QString animator_image(int picture, int frame, int theme) {
    switch (picture) {
    case picture_idle: return QString::fromStdString(theme_style_sheet(theme, theme_state_image));
    case picture_done: return QStringLiteral(":/main/state_check.png");
    case picture_error: return QStringLiteral(":/main/state_error.png");
    case picture_paused: return QStringLiteral(":/main/state_pause.png");
    case picture_warning: return QStringLiteral(":/main/state_warning.png");
    default: break;
    }
    const char* set = frame_set(picture);
    return set ? QString::fromLatin1(set).arg(frame) : QString();
}

QString animator_shield(int picture) {
    switch (picture) {
    case picture_idle:
    case picture_device:
    case picture_clean:
        return QStringLiteral(":/main/shield_left.png");
    case picture_volume:
    case picture_files:
    case picture_trash:
        return QStringLiteral(":/main/shield_right.png");
    default:
        return QString();
    }
}

Animator::Animator(QWidget* parent, int interval) : QLabel(parent), interval_(interval) {}

void Animator::set_state(int picture, bool animate, bool overlay) {
    if (picture == picture_ && animate == (timer_id_ != 0)) return;
    picture_ = picture;
    ticks_ = 0;
    frame_count_ = animator_frame_count(picture);
    const bool animating = animate && frame_count_ != 0;
    // The shield goes only over a still picture.
    overlay_ = overlay && !animating;
    render(picture_, 0);
    if (interval_ <= 0) return;
    if (animating) {
        if (timer_id_ == 0) timer_id_ = startTimer(interval_, Qt::CoarseTimer);
    } else if (timer_id_ != 0) {
        killTimer(timer_id_);
        timer_id_ = 0;
    }
}

void Animator::refresh() {
    setVisible(zyapp::instance().settings().get_show_graphic());
    if (frame_count_ == 0) render(picture_, 0);
}

void Animator::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_id_ || timer_id_ == 0) {
        QLabel::timerEvent(event);
        return;
    }
    event->accept();
    if (frame_count_ >= -1 && frame_count_ <= 1) return;
    if (!isVisible()) return;
    ++ticks_;
    render(picture_, animator_frame(frame_count_, ticks_));
}

void Animator::render(int picture, int frame) {
    frame_ = frame;
    const QString path = animator_image(picture, frame, zyapp::instance().settings().get_theme_color());
    if (path.isEmpty()) {
        setPixmap(QPixmap());
        return;
    }
    QPixmap pixmap(path);
    const QString shield = animator_shield(picture);
    if (overlay_ && !shield.isEmpty() && !pixmap.isNull()) {
        QPainter painter(&pixmap);
        painter.drawPixmap(pixmap.rect(), QPixmap(shield));
    }
    if (height() < pixmap.height() || width() < pixmap.width())
        pixmap = pixmap.scaled(size(), Qt::KeepAspectRatio, Qt::FastTransformation);
    setPixmap(pixmap);
}

}  // namespace olvex
