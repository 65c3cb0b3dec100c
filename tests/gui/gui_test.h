#pragma once
// Helpers of the GUI tests: the process's translation table filled from a text.
#include "services/interlang.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QUrl>

class QTimer;

#include <functional>
#include <memory>
#include <string>

namespace oblivar::test {

// Empties the process's table, loads the language-file text (UTF-8) and selects current with
// "en" as primary. Returns the line of a syntax error, 0 when the text loaded.
int load_table(const std::string& text, const std::wstring& current = L"en");

// Loads the language files shipped beside the build's programs, with English selected, and
// makes the GUI's pictures ready. Returns the loader's error text, empty when all loaded.
std::wstring load_shipped_languages();

// Runs the event loop until done() holds; false when it still doesn't after timeout_ms. (Qt's
// QTRY_* macros report to Qt's test runner, not to GoogleTest: check this result instead.)
bool wait_until(const std::function<bool()>& done, int timeout_ms = 5000);

// Empties the process's table again when it goes.
class table_scope {
public:
    table_scope() = default;
    ~table_scope() { olvex::interlang::instance().clear(); }
    table_scope(const table_scope&) = delete;
    table_scope& operator=(const table_scope&) = delete;
};

// Answers the next modal dialog that opens while the caller's modal call runs, keeping its title
// and (for a message box) its text and buttons: a message box gets button when it has it and is
// closed otherwise, any other dialog is closed. Arm it before the call. It watches only while it
// lives: one whose dialog never came answers nothing in a later call or test. A move takes the
// results and a watch still going with it.
struct message_box_answer {
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton button = QMessageBox::NoButton;
    int seen = 0;

    message_box_answer();
    message_box_answer(message_box_answer&& other);
    message_box_answer& operator=(message_box_answer&& other);
    ~message_box_answer();

    void arm();

private:
    void answer(QWidget* modal);
    std::unique_ptr<QTimer> poll_;
};

// Presses key on the next modal message box where its keyboard focus is, as a user at the
// keyboard would; closed tells whether the key closed the box. A box the key left open is closed
// with its safe button, so the caller's modal call returns. Armed when made, before the call; it
// watches only while it lives.
class key_on_next_box {
public:
    key_on_next_box(Qt::Key key, QMessageBox::StandardButton safe);
    ~key_on_next_box();
    key_on_next_box(const key_on_next_box&) = delete;
    key_on_next_box& operator=(const key_on_next_box&) = delete;

    bool closed = false;
    int seen = 0;

private:
    std::unique_ptr<QTimer> poll_;
};

// Records the addresses that QDesktopServices::openUrl hands it (install it with
// QDesktopServices::setUrlHandler(scheme, &recorder, "open")): no browser starts in a test.
class url_recorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

}  // namespace oblivar::test
