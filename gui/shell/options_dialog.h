#pragma once
// The options dialog: the settings object's values, the Explorer extension's option values and
// the user-interface language on five tabs, written back by OK or Apply, and a check of the
// installed language files. The controls are the only working state: every show and every
// language change reloads them from the stored values.
#include <QDialog>
#include <QSize>

#include <memory>

class QComboBox;

namespace Ui {
class options_form;
}

namespace olvex {

class MessageDialog;

class OptionsDialog : public QDialog {
    Q_OBJECT

public:
    explicit OptionsDialog(QWidget* parent);
    ~OptionsDialog() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_help_btn_clicked();
    void on_ok_btn_clicked();
    void on_apply_btn_clicked();
    void on_cancel_btn_clicked();
    void on_validate_btn_clicked();
    void on_shell_cmb_currentIndexChanged(int index);
    void on_menu_chk_toggled(bool checked);
    void on_local_chk_toggled(bool checked);
    void on_populate_log_btn_clicked();
    void on_clear_log_btn_clicked();

private:
    // Refills the translated lists and texts (with retranslate, the form's own texts too), fixes
    // the size and reloads the controls.
    void refresh_texts(bool retranslate);
    void update_log_status();
    // Returns false (after saying so) when the options could not be written.
    bool save_settings();
    void load_settings();

    std::unique_ptr<Ui::options_form> ui_;
    QSize max_size_;
    MessageDialog* report_ = nullptr;
};

// Selects the entry whose item data (as a real number; none counts as 0.0) is nearest to value,
// the first of equally near ones. Returns its index; -1, selecting nothing, for an empty box.
int select_combo_by_value(QComboBox* combo, double value);

}  // namespace olvex
