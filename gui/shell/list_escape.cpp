#include "gui/shell/list_escape.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>

namespace olvex {

namespace {

class list_escape_filter : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
        if (!static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) return false;
        auto* view = static_cast<QWidget*>(watched);
        if (QApplication::activePopupWidget() != view->window()) return false;
        // The check for shortcuts keeps the list open, so that the key press itself comes to
        // the list, not to the dialog; the press closes it.
        if (type == QEvent::KeyPress) {
            for (auto* combo = view->parentWidget(); combo; combo = combo->parentWidget())
                if (auto* box = qobject_cast<QComboBox*>(combo)) {
                    box->hidePopup();
                    break;
                }
        }
        event->accept();
        return true;
    }
};

}  // namespace

void keep_escape_in_open_lists(QWidget* owner) {
    auto* filter = new list_escape_filter(owner);
    // Asking for the view makes the list's own filter first; the one installed last sees events first.
    for (QComboBox* combo : owner->findChildren<QComboBox*>()) combo->view()->installEventFilter(filter);
}

}  // namespace olvex
