// The test helpers that answer the next modal dialog: they watch only while they live, and a
// moved answer goes on watching.
#include "tests/gui/gui_test.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>

namespace oblivar::test {
namespace {

// Asks a question in a modal box (Yes is its default) and returns the button that ended it.
int ask() {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Question"), QStringLiteral("Go on?"),
                    QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    // Should no helper answer, the test fails instead of hanging.
    QTimer::singleShot(20000, &box, [&box] { box.done(-1); });
    return box.exec();
}

// A helper that went before any box came (held on the heap, so that no later local takes its
// place) must not answer the next box, which belongs to the helper armed then.
TEST(ModalHelpers, OneThatWentAnswersNoLaterBox) {
    const std::function<std::shared_ptr<void>()> gone[] = {
        [] {
            auto answer = std::make_shared<message_box_answer>();
            answer->button = QMessageBox::Yes;
            answer->arm();
            return answer;
        },
        [] { return std::make_shared<key_on_next_box>(Qt::Key_Return, QMessageBox::Yes); },
    };
    for (size_t i = 0; i < std::size(gone); ++i) {
        gone[i]();
        message_box_answer now;
        now.button = QMessageBox::No;
        now.arm();
        EXPECT_EQ(ask(), QMessageBox::No) << "helper " << i;
        EXPECT_EQ(now.seen, 1) << "helper " << i;
    }
}

TEST(ModalHelpers, AMovedAnswerGoesOnWatching) {
    message_box_answer first;
    first.button = QMessageBox::No;
    first.arm();
    message_box_answer moved(std::move(first));
    EXPECT_EQ(ask(), QMessageBox::No);
    EXPECT_EQ(moved.seen, 1);
    EXPECT_EQ(moved.text, QStringLiteral("Go on?"));
    EXPECT_EQ(moved.buttons, QMessageBox::Yes | QMessageBox::No);
}

}  // namespace
}  // namespace oblivar::test
