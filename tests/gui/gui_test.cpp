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

namespace {

// A timer that polls for the active modal widget and hands it to act, which returns false for
// one it leaves alone. Stopped while act runs: a dialog that act's click opens in turn is not
// answered too.
std::unique_ptr<QTimer> watch_modal(std::function<bool(QWidget*)> act) {
    auto poll = std::make_unique<QTimer>();
    QTimer* p = poll.get();
    QObject::connect(p, &QTimer::timeout, p, [p, act = std::move(act)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        p->stop();
        if (!act(modal)) p->start();
    });
    p->start(5);
    return poll;
}

}  // namespace

message_box_answer::message_box_answer() = default;

message_box_answer::message_box_answer(message_box_answer&& other) { *this = std::move(other); }

message_box_answer& message_box_answer::operator=(message_box_answer&& other) {
    if (this == &other) return *this;
    poll_.reset();
    caption = other.caption;
    text = other.text;
    buttons = other.buttons;
    button = other.button;
    seen = other.seen;
    const bool watching = other.poll_ && other.poll_->isActive();
    other.poll_.reset();
    if (watching) arm();
    return *this;
}

message_box_answer::~message_box_answer() = default;

void message_box_answer::arm() {
    poll_ = watch_modal([this](QWidget* modal) {
        answer(modal);
        return true;
    });
}

void message_box_answer::answer(QWidget* modal) {
    caption = modal->windowTitle();
    ++seen;
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
}

key_on_next_box::key_on_next_box(Qt::Key key, QMessageBox::StandardButton safe) {
    poll_ = watch_modal([this, key, safe](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) return false;
        ++seen;
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key);
        closed = !box->isVisible();
        if (!closed) box->button(safe)->click();
        return true;
    });
}

key_on_next_box::~key_on_next_box() = default;

bool wait_until(const std::function<bool()>& done, int timeout_ms) { return QTest::qWaitFor(done, timeout_ms); }

}  // namespace oblivar::test
