#include "gui/wipe/harm_question.h"

#include <QPushButton>

namespace olvex {

bool ask_before_harm(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                     QMessageBox::StandardButton yes, QMessageBox::StandardButton safe) {
    QMessageBox box(icon, title, text, yes | safe, parent);
    // Qt makes the first auto-default button that takes the focus the default: left alone, yes
    // answers Enter, and Space presses whichever button holds the focus.
    if (auto* y = qobject_cast<QPushButton*>(box.button(yes))) y->setAutoDefault(false);
    box.setDefaultButton(safe);  // also gives it the focus
    box.setEscapeButton(safe);
    return box.exec() == yes;
}

}  // namespace olvex
