#include "gui/shell/hover_link.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace olvex {

QRect link_content_rect(const QSize& label, const QSize& hint, Qt::Alignment alignment) {
    int left = 0;
    if (alignment & Qt::AlignHCenter)
        left = (label.width() - hint.width()) / 2;
    else if (alignment & Qt::AlignRight)
        left = label.width() - hint.width();
    int top = 0;
    if (alignment & Qt::AlignVCenter)
        top = (label.height() - hint.height()) / 2;
    else if (alignment & Qt::AlignBottom)
        top = label.height() - hint.height();
    return QRect(left, top, hint.width(), hint.height());
}

HoverLink::HoverLink(QWidget* parent, const QString& text, const QString& url)
    : QLabel(parent), text_(text), url_(url) {
    saved_cursor_ = cursor();
    refresh_text();
}

void HoverLink::set_link_color(const QString& color) {
    if (color == link_color_) return;
    link_color_ = color;
    refresh_text();
}

void HoverLink::set_visited_color(const QString& color) {
    if (color == visited_color_) return;
    visited_color_ = color;
    refresh_text();
}

void HoverLink::set_url(const QString& url) {
    if (url == url_) return;
    url_ = url;
    refresh_text();
}

void HoverLink::set_link_text(const QString& text) {
    if (text == text_ && !has_pixmap_) return;
    if (has_pixmap_) {
        QLabel::setPixmap(QPixmap());
        has_pixmap_ = false;
    }
    text_ = text;
    refresh_text();
}

void HoverLink::set_pixmap(const QPixmap& pixmap) {
    QLabel::setPixmap(pixmap);
    has_pixmap_ = !pixmap.isNull();
    refresh_text();
}

void HoverLink::refresh_text() {
    if (!has_pixmap_) {
        QString color;
        if (!text_.isEmpty() && !url_.isEmpty()) color = visited_ ? visited_color_ : link_color_;
        // The text is a text, not markup: a "<" in a name or translation shows as it is.
        if (color.isEmpty()) {
            setTextFormat(Qt::PlainText);
            setText(text_);
        } else {
            setTextFormat(Qt::RichText);
            setText(QStringLiteral("<font color='") + color.toHtmlEscaped() + QStringLiteral("'>") +
                    text_.toHtmlEscaped() + QStringLiteral("</font>"));
        }
    }
    // A shown picture already cleared QLabel's text; setting one would drop the picture.
    setMouseTracking(!url_.isEmpty());
}

void HoverLink::stop_hovering() {
    if (!hovering_) return;
    if (!has_pixmap_) {
        QFont f = font();
        f.setUnderline(saved_underline_);
        setFont(f);
    }
    hovering_ = false;
    setCursor(saved_cursor_);
}

void HoverLink::mouseMoveEvent(QMouseEvent* event) {
    const bool empty = text_.isEmpty() && !has_pixmap_;
    if (empty || url_.isEmpty() || !link_content_rect(size(), sizeHint(), alignment()).contains(event->pos())) {
        stop_hovering();
    } else if (!hovering_) {
        if (!has_pixmap_) {
            QFont f = font();
            saved_underline_ = f.underline();
            f.setUnderline(true);
            setFont(f);
        }
        hovering_ = true;
        setCursor(Qt::PointingHandCursor);
    }
    QLabel::mouseMoveEvent(event);
}

void HoverLink::leaveEvent(QEvent* event) {
    stop_hovering();
    QLabel::leaveEvent(event);
}

void HoverLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && hovering_ && !url_.isEmpty()) {
        visited_ = true;
        refresh_text();
        QDesktopServices::openUrl(QUrl(url_, QUrl::TolerantMode));
    }
    QLabel::mouseReleaseEvent(event);
}

}  // namespace olvex
