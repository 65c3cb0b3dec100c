#include "gui/shell/about_dialog.h"

#include "gui/shell/message_dialog.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/theme.h"
#include "gui/shell/web_pages.h"
#include "services/interlang.h"
#include "ui_about_dialog.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include <exception>

namespace olvex {

namespace {

const char* const placeholders[] = {"$(PRODUCT_NAME)", "$(VERSION_TEXT)",        "$(PRODUCT_TEXT)",
                                    "$(COPYRIGHT_STATEMENT)", "$(LINK_LABEL)", "$(LINK_NAME)",
                                    "$(LINK_URL)",            "$(FOOTER)"};

QColor theme_color(int item) { return QColor(QString::fromStdString(theme_style_sheet(theme_white, item))); }

}  // namespace

AboutBase::AboutBase(QWidget* parent)
    : QDialog(parent, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::about_form>()) {
    ui_->setupUi(this);
    header_template_ = ui_->upper_lab->text();
    body_template_ = ui_->lower_lab->text();
    values_[QStringLiteral("$(PRODUCT_NAME)")] = QStringLiteral("PRODUCT NAME");
}

AboutBase::~AboutBase() = default;

void AboutBase::set_background(const QColor& color) {
    background_ = color;
    image_changed_ = true;
}

void AboutBase::set_header_image(const QPixmap& image) {
    image_ = image;
    image_changed_ = true;
}

void AboutBase::set_image_alignment(int flags) {
    image_alignment_ = flags;
    image_changed_ = true;
}

void AboutBase::set_image_scaling(int mode) {
    image_scaling_ = mode;
    image_changed_ = true;
}

void AboutBase::set_title_color(const QColor& color) {
    title_color_ = color.name();
    texts_changed_ = true;
}

void AboutBase::set_version_color(const QColor& color) {
    version_color_ = color.name();
    texts_changed_ = true;
}

void AboutBase::set_body_color(const QColor& color) {
    body_color_ = color.name();
    texts_changed_ = true;
}

void AboutBase::set_link_color(const QColor& color) {
    link_color_ = color.name();
    texts_changed_ = true;
}

void AboutBase::set_value(const QString& placeholder, const QString& text) {
    values_[placeholder] = text;
    texts_changed_ = true;
}

void AboutBase::set_header_alignment(int flags) {
    ui_->upper_lab->setAlignment(Qt::Alignment(flags));
    texts_changed_ = true;
}

void AboutBase::place_image() {
    if (image_.isNull()) {
        scaled_ = QPixmap();
        return;
    }
    const int h = ui_->inner_layout->contentsMargins().top() + ui_->upper_lab->height();
    switch (image_scaling_) {
    case 1:
        scaled_ = image_.scaledToWidth(width(), Qt::SmoothTransformation);
        break;
    case 2:
        scaled_ = image_.scaledToHeight(ui_->upper_lab->height(), Qt::SmoothTransformation);
        break;
    case 3:
        scaled_ = image_.scaled(ui_->upper_lab->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        break;
    case 4:
        scaled_ = image_.scaled(QSize(width(), h), Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        break;
    default:
        scaled_ = image_;
        break;
    }
    int x = 0;
    if (image_alignment_ & Qt::AlignRight)
        x = width() - scaled_.width();
    else if (image_alignment_ & Qt::AlignHCenter)
        x = (width() - scaled_.width()) / 2;
    int y = 0;
    if (image_alignment_ & Qt::AlignBottom)
        y = h - scaled_.height();
    else if (image_alignment_ & Qt::AlignVCenter)
        y = (h - scaled_.height()) / 2;
    if (image_scaling_ == 4) {
        // What sticks out past the header would lie under the body's text.
        scaled_ = scaled_.copy(-x, -y, width(), h);
        x = y = 0;
    }
    image_pos_ = QPoint(x, y);
}

void AboutBase::apply_texts() {
    QString header = header_template_;
    QString body = body_template_;
    for (const char* name : placeholders) {
        const QString placeholder = QString::fromLatin1(name);
        const QString& value = values_[placeholder];
        header.replace(placeholder, value);
        body.replace(placeholder, value);
    }
    header.replace(QStringLiteral("#d64203"), title_color_);
    header.replace(QStringLiteral("#737475"), version_color_);
    body.replace(QStringLiteral("#434445"), body_color_);
    body.replace(QStringLiteral("#0000ff"), link_color_);
    ui_->upper_lab->setText(header);
    ui_->lower_lab->setText(body);
}

void AboutBase::showEvent(QShowEvent* event) {
    if (texts_changed_) {
        apply_texts();
        texts_changed_ = false;
    }
    if (image_changed_) {
        // The header's height follows its text: lay out first.
        if (layout()) layout()->activate();
        place_image();
        image_changed_ = false;
    }
    // Without a window to centre on, the box keeps the place it was given.
    centre_on_parent(this);
    QDialog::showEvent(event);
}

void AboutBase::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), background_);
    if (!scaled_.isNull()) painter.drawPixmap(image_pos_, scaled_);
}

AboutDialog::AboutDialog(QWidget* parent) : AboutBase(parent) {
    setWindowIcon(QIcon(parent ? QStringLiteral(":/main/menu_about.png") : QStringLiteral(":/main/zyicon.png")));
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpi = screen ? static_cast<int>(screen->logicalDotsPerInchY()) : 96;
    const QSize size(dpi * 325 / 96, dpi * 350 / 96);
    setMinimumSize(size);
    setMaximumSize(size);

    set_value(QStringLiteral("$(PRODUCT_NAME)"), QStringLiteral("<b>Oblivar</b>"));
    set_value(QStringLiteral("$(VERSION_TEXT)"), QStringLiteral("5.2.0 Vostral"));
    set_value(QStringLiteral("$(COPYRIGHT_STATEMENT)"), QStringLiteral("Copyright \u00a9 2026 the Oblivar developers"));
    set_value(QStringLiteral("$(LINK_NAME)"), web_site_name().toHtmlEscaped());
    set_value(QStringLiteral("$(LINK_URL)"),
              web_page_url(web_page::home).toString(QUrl::FullyEncoded).toHtmlEscaped());
    set_header_alignment(Qt::AlignLeft | Qt::AlignBottom);
    // The header grows with the room the body leaves: the banner fills it at any size.
    set_image_scaling(4);
    set_image_alignment(Qt::AlignRight | Qt::AlignTop);
    set_background(theme_color(theme_background));
    set_title_color(theme_color(theme_strong_text));
    set_version_color(theme_color(theme_text));
    set_body_color(theme_color(theme_text));
    set_link_color(theme_color(theme_link));
    set_header_image(QPixmap(QStringLiteral(":/main/about_bkgd.png")));
    set_texts();
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::set_texts() {
    try {
        setWindowTitle(qtr(L"ABOUT_WIN_TITLE"));
        set_value(QStringLiteral("$(LINK_LABEL)"), qtr(L"ABOUT_WEBSITE_LEADER").toHtmlEscaped());
        set_value(QStringLiteral("$(FOOTER)"), qtr(L"ABOUT_FOOTER").toHtmlEscaped());
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Exception"), QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    }
}

void AboutDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) set_texts();
    AboutBase::changeEvent(event);
}

}  // namespace olvex
