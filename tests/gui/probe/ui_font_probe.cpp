// Reports, on the system's own platform, the font that zygui's start gives its texts, one line
// each: the application font's face, the face Qt really draws it with, the system's UI face, and
// 1 when Qt draws that face as itself (else 0).
#include "gui/shell/system_font.h"

#include <QApplication>
#include <QFont>
#include <QFontInfo>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    olvex::apply_system_ui_font();
    const QFont font = QApplication::font();
    const olvex::ui_font system = olvex::system_ui_font();
    std::printf("%s\n%s\n%s\n%d\n", font.family().toUtf8().constData(), QFontInfo(font).family().toUtf8().constData(),
                system.face.toUtf8().constData(), olvex::draws_as_itself(system.face) ? 1 : 0);
    return 0;
}
