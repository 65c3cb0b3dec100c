#pragma once
// The page-file dialog: clear the page file at every shutdown, at the next one only, or never.
// A limited administrator applies the choice through an elevated copy of the program; every
// show and every apply end by reading back what the registry holds.
#include <QDialog>

#include <memory>

namespace Ui {
class pagefile_form;
}

namespace olvex {

class PageDialog : public QDialog {
    Q_OBJECT

public:
    explicit PageDialog(QWidget* parent);
    ~PageDialog() override;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void on_once_rad_clicked();
    void on_always_rad_clicked();
    void on_disabled_rad_clicked();
    void on_apply_btn_clicked();
    void on_close_btn_clicked();
    void on_help_btn_clicked();

private:
    // Shows the registry's state as the chosen and loaded mode, nothing pending.
    void load_state();
    void update_pending();
    // Returns whether the chosen mode was written (here or by the elevated copy).
    bool apply_mode();

    std::unique_ptr<Ui::pagefile_form> ui_;
    int loaded_state_ = 0;
    int chosen_mode_ = 0;
};

// Returns the headless command word that sets page-file clearing mode (0, 1 or 2).
uint32_t page_file_command_word(int mode);

}  // namespace olvex
