#pragma once
// The font of the program's texts. Where the platform names its UI font only through an alias
// (Windows: Qt 5 asks for "MS Shell Dlg 2", which has no face of its own when the alias's
// substitute is missing, as under Wine), Qt falls back to the first family it knows, a serif on
// many systems. The program takes the face the system really draws its UI texts with instead,
// or a sans-serif face that Qt has, as long as Qt draws every character of it: under Wine, Qt's
// GDI font engine loses glyphs whose ink lies outside the box GDI reports for them (Liberation
// Sans at 11 pixels: a capital I without any ink).
#include <QString>

#include <functional>

class QFont;

namespace olvex {

// The system's UI font: face and size in points. An empty face where the platform gives Qt its
// UI font itself.
struct ui_font {
    QString face;
    double points = 0;
};
// Returns the system's UI font (Windows: the message font of the non-client metrics, by the
// face GDI draws it with).
ui_font system_ui_font();

// Returns whether Qt draws text asked for in face with that face itself, not with a stand-in.
bool draws_as_itself(const QString& face);

// Returns whether every character of text but blanks has a glyph in font and, drawn alone in
// font, puts ink on the page.
bool draws_every_character(const QFont& font, const QString& text);

// Returns wanted when draws says it is drawn as itself, else the first of the usual sans-serif
// faces that is; empty when none is.
QString pick_ui_face(const QString& wanted, const std::function<bool(const QString&)>& draws);

// Makes the system's UI font the application's font: the face pick_ui_face gives with faces that
// are drawn as themselves and draw every letter, digit and punctuation mark of ASCII prose, plain
// and bold, at the system's size. Does nothing where the platform gives its UI font itself. Call once the
// application object exists.
void apply_system_ui_font();

}  // namespace olvex
