#pragma once
// Every page that zygui opens, from one table: the help pages shipped in the folder "zy-help"
// beside the program's folder, opened as local file addresses. Nothing here leaves the machine.
#include <QString>
#include <QUrl>

#include <functional>

class QObject;
class QWidget;

namespace olvex {

enum class web_page {
    home,             // the help's first page
    user_guide,       // "user_guide/index.html"
    page_file_help,   // the user guide's section on clearing the page file
    configuration,    // "user_guide/configuration.html"
    create_language,  // "user_guide/create_language.html"
    language_packs,   // "language_packs.html"
    updates,          // this version's release notes
    community,        // where users help each other
    news,             // news about the program
    product,          // what the installed and the portable copy offer
};

// The name of the help pages as links show it.
QString web_site_name();

// Returns the folder of the help pages: "zy-help" beside the program's folder, with "/" between
// names and a trailing "/".
QString help_folder();

// Returns the page's file address inside help_folder (tests pass their own folder).
QUrl web_page_url(web_page page, const QString& folder);
// Returns the page's file address inside the program's own help folder.
QUrl web_page_url(web_page page);

// Returns the page's file path relative to the help folder, without its anchor.
QString web_page_file(web_page page);

// Opens the page in the desktop's browser, over the window in front (see open_local_address).
// Returns whether the desktop took it; once start-up routed local addresses, the router answers
// (true) and tells the user itself when the desktop refused.
bool open_web_page(web_page page);

// The way the process hands an address to the desktop; returns whether the desktop took it.
// Tests install one that records or fails.
using url_opener = std::function<bool(const QUrl&)>;
// Installs opener for the process (empty: the desktop's own); returns the one before.
url_opener set_url_opener(url_opener opener);

// Opens the address through the process's opener. When its file is missing or the desktop
// can't show it, tells the user in a message box over parent which file it is, so that they can
// open it themselves. Returns whether it was opened.
bool open_local_address(const QUrl& url, QWidget* parent);

// From now on every local address the program opens (menus, buttons, links in texts) goes
// through open_local_address, over the window in front; for as long as owner lives.
void route_local_addresses(QObject* owner);

}  // namespace olvex
