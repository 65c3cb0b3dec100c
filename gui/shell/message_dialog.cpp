#include "gui/shell/message_dialog.h"

#include "ui_message_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QScrollBar>
#include <QUrl>

namespace olvex {

void centre_on_parent(QWidget* dialog) {
    QWidget* parent = dialog->parentWidget();
    if (!parent) return;
    QWidget* over = parent->isWindow() ? parent : QApplication::activeWindow();
    if (!over) return;
    QRect g = dialog->geometry();
    g.moveCenter(over->geometry().center());
    dialog->setGeometry(g);
}

MessageDialog::MessageDialog(QWidget* parent, const QIcon& icon)
    : QDialog(parent, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::message_form>()) {
    ui_->setupUi(this);
    setWindowIcon(icon);
    ui_->help_btn->hide();
    ui_->text_edit->setCursorWidth(0);
    resize(400, 250);
}

MessageDialog::~MessageDialog() = default;

void MessageDialog::set_help_url(const QString& url) {
    help_url_ = url;
    ui_->help_btn->setVisible(!help_url_.isEmpty());
}

void MessageDialog::set_message(const QString& text) {
    ui_->text_edit->setPlainText(text);
    ui_->text_edit->verticalScrollBar()->setValue(0);
}

void MessageDialog::on_close_btn_clicked() { close(); }

void MessageDialog::on_help_btn_clicked() {
    if (!help_url_.isEmpty()) QDesktopServices::openUrl(QUrl(help_url_, QUrl::TolerantMode));
}

void MessageDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    // Past the dialog's own handling: Return must not close the report.
    QWidget::keyPressEvent(event);
}

void MessageDialog::showEvent(QShowEvent* event) {
    centre_on_parent(this);
    QWidget::showEvent(event);
}

void MessageDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        ui_->retranslateUi(this);
        return;
    }
    QWidget::changeEvent(event);
}

}  // namespace olvex
