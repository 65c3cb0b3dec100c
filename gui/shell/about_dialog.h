#pragma once
// The about box: AboutBase fills two rich-text templates from named placeholders and paints a
// background colour and a scaled header image; AboutDialog gives them this program's values.
#include <QColor>
#include <QDialog>
#include <QPixmap>
#include <QRect>
#include <QString>

#include <map>
#include <memory>

namespace Ui {
class about_form;
}

namespace olvex {

class AboutBase : public QDialog {
    Q_OBJECT

public:
    explicit AboutBase(QWidget* parent);
    ~AboutBase() override;

    void set_background(const QColor& color);
    void set_header_image(const QPixmap& image);
    // Where the image sits (Qt alignment flags).
    void set_image_alignment(int flags);
    // 0 none, 1 to the dialog's width, 2 to the header's height, 3 into the header's size,
    // 4 over the whole header (the dialog's width and the header's height), cut to it.
    void set_image_scaling(int mode);
    void set_title_color(const QColor& color);
    void set_version_color(const QColor& color);
    void set_body_color(const QColor& color);
    void set_link_color(const QColor& color);
    // Sets the value of a placeholder such as "$(PRODUCT_NAME)".
    void set_value(const QString& placeholder, const QString& text);
    void set_header_alignment(int flags);
    // Where the header image was drawn at the last show; empty without one.
    QRect image_geometry() const { return QRect(image_pos_, scaled_.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void place_image();
    void apply_texts();

    std::unique_ptr<Ui::about_form> ui_;
    QColor background_ = Qt::white;
    QString title_color_ = QStringLiteral("#d64203");
    QString version_color_ = QStringLiteral("#606060");
    QString body_color_ = QStringLiteral("#303030");
    QString link_color_ = QStringLiteral("#007fdb");
    int image_alignment_ = Qt::AlignLeft | Qt::AlignTop;
    int image_scaling_ = 0;
    QPoint image_pos_;
    QPixmap image_;
    QPixmap scaled_;
    bool image_changed_ = false;
    bool texts_changed_ = false;
    QString header_template_;
    QString body_template_;
    std::map<QString, QString> values_;
};

class AboutDialog : public AboutBase {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent);
    ~AboutDialog() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void set_texts();
};

}  // namespace olvex
