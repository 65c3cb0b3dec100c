#pragma once
// The question asked before something is destroyed or a session ends. The safe answer is the
// default button and holds the focus, so Enter, Space or Escape on a box just shown never say yes;
// yes takes a deliberate click or its mnemonic.
#include <QMessageBox>
#include <QString>

class QWidget;

namespace olvex {

// Asks text modally over parent with the buttons yes and safe. Returns true only when the user
// chose yes; closing the box is the safe answer.
bool ask_before_harm(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
                     QMessageBox::StandardButton yes, QMessageBox::StandardButton safe);

}  // namespace olvex
