#include "tests/gui/gui_test.h"

#include "gui/shell/gui_resources.h"
#include "tests/e2e/support/program.h"
#include "vandel/memory_stream.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QtTest/QTest>

namespace oblivar::test {

int load_table(const std::string& text, const std::wstring& current) {
    olvex::interlang& table = olvex::interlang::instance();
    table.clear();
    vandel::memory_stream s(text.data(), static_cast<int64_t>(text.size()));
    olvex::interlang::update_scope update(table);
    int line = 0;
    const bool ok = table.parse_language_file(s, line);
    table.set_languages(current, L"en");
    return ok ? 0 : line;
}

std::wstring load_shipped_languages() {
    olvex::init_gui_resources();
    olvex::interlang& table = olvex::interlang::instance();
    table.clear();
    const std::wstring error = olvex::load_language_files(own_folder() + L"../zy-langs", table);
    olvex::interlang::update_scope update(table);
    table.set_languages(L"en", L"en");
    return error;
}

void message_box_answer::arm() {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        caption = modal->windowTitle();
        ++seen;
        poll->stop();
        poll->deleteLater();
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box) {
            text = box->text();
            buttons = box->standardButtons();
            if (QAbstractButton* b = box->button(button)) {
                b->click();
                return;
            }
        }
        modal->close();
    });
    poll->start(5);
}

void press_on_next_box(Qt::Key key, QMessageBox::StandardButton safe, bool* closed) {
    *closed = false;
    QTimer::singleShot(0, [key, safe, closed] {
        QMessageBox* box = nullptr;
        if (!wait_until([&] { return (box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); }))
            return;
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key);
        *closed = !box->isVisible();
        if (!*closed) box->button(safe)->click();
    });
}

bool wait_until(const std::function<bool()>& done, int timeout_ms) { return QTest::qWaitFor(done, timeout_ms); }

}  // namespace oblivar::test
