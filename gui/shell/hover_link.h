#pragma once
// A label that shows a text or a picture as a link: underlined with a pointing hand while the
// mouse is over its content, opened in the desktop's browser by a left click.
#include <QCursor>
#include <QLabel>
#include <QString>

namespace olvex {

// Returns the rectangle that content of size hint takes in a label of size label by alignment.
QRect link_content_rect(const QSize& label, const QSize& hint, Qt::Alignment alignment);

class HoverLink : public QLabel {
    Q_OBJECT

public:
    HoverLink(QWidget* parent, const QString& text, const QString& url);

    QString link_color() const { return link_color_; }
    QString visited_color() const { return visited_color_; }
    QString link_text() const { return text_; }
    QString url() const { return url_; }
    // True once the link was opened; it never returns to false.
    bool visited() const { return visited_; }
    bool hovering() const { return hovering_; }
    // True while a picture (not a null one) is shown in place of the text.
    bool shows_pixmap() const { return has_pixmap_; }

    void set_link_color(const QString& color);
    void set_visited_color(const QString& color);
    void set_url(const QString& url);
    // Shows the text; a shown picture gives way to it.
    void set_link_text(const QString& text);
    // Shows the picture in place of the text.
    void set_pixmap(const QPixmap& pixmap);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void refresh_text();
    // Drops the hover look and gives the label its own cursor back.
    void stop_hovering();

    QString link_color_ = QStringLiteral("blue");
    QString visited_color_ = QStringLiteral("purple");
    QString text_;
    QString url_;
    QCursor saved_cursor_;
    bool hovering_ = false;
    bool visited_ = false;
    bool saved_underline_ = false;
    bool has_pixmap_ = false;
};

}  // namespace olvex
