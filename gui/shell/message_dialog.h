#pragma once
// A small resizable dialog that shows a long plain text in a read-only fixed-pitch field, with a
// Close button and, when the owner gives an address, a Help button that opens it. The owner sets
// the title and the text before each showing and runs it modally.
#include <QDialog>
#include <QIcon>
#include <QString>

#include <memory>

namespace Ui {
class message_form;
}

namespace olvex {

class MessageDialog : public QDialog {
    Q_OBJECT

public:
    MessageDialog(QWidget* parent, const QIcon& icon);
    ~MessageDialog() override;

    // The Help button is shown exactly when the address is not empty.
    void set_help_url(const QString& url);
    // Shows the text from its first line.
    void set_message(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_close_btn_clicked();
    void on_help_btn_clicked();

private:
    QString help_url_;
    std::unique_ptr<Ui::message_form> ui_;
};

// Moves dialog so that its centre is that of its parent window, or of the application's active
// window when the parent is not a window; nothing without a parent.
void centre_on_parent(QWidget* dialog);

}  // namespace olvex
