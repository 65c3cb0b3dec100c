#include "gui/shell/web_pages.h"

#include "gui/shell/qt_text.h"
#include "services/interlang.h"
#include "vandel/folders.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

#include <utility>

namespace olvex {

namespace {

struct page_row {
    web_page page;
    const char* file;
    const char* anchor;
};

// The one table of pages. The updates page carries the version it belongs to.
constexpr page_row pages[] = {
    {web_page::home, "index.html", ""},
    {web_page::user_guide, "user_guide/index.html", ""},
    {web_page::page_file_help, "user_guide/index.html", "clear_pagefile"},
    {web_page::configuration, "user_guide/configuration.html", ""},
    {web_page::create_language, "user_guide/create_language.html", ""},
    {web_page::language_packs, "language_packs.html", ""},
    {web_page::updates, "updates/olvex-5.2.0.html", ""},
    {web_page::community, "community.html", ""},
    {web_page::news, "news.html", ""},
    {web_page::product, "product.html", ""},
};

const page_row& row_of(web_page page) {
    for (const page_row& row : pages)
        if (row.page == page) return row;
    return pages[0];
}

}  // namespace

QString web_site_name() { return QStringLiteral("Oblivar Help"); }

QString help_folder() {
    std::wstring program;
    vandel::known_folder(vandel::folder_program, program);
    const QString folder = QDir::cleanPath(QDir::fromNativeSeparators(to_qstring(program)) + QStringLiteral("/../zy-help"));
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

QString web_page_file(web_page page) { return QString::fromLatin1(row_of(page).file); }

QUrl web_page_url(web_page page, const QString& folder) {
    QString base = QDir::fromNativeSeparators(folder);
    if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
    QUrl url = QUrl::fromLocalFile(base + web_page_file(page));
    const QString anchor = QString::fromLatin1(row_of(page).anchor);
    if (!anchor.isEmpty()) url.setFragment(anchor);
    return url;
}

QUrl web_page_url(web_page page) { return web_page_url(page, help_folder()); }

namespace {

url_opener& opener() {
    static url_opener current;
    return current;
}

QWidget* front_window() {
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : QApplication::activeWindow();
}

// Receives the local addresses that anything in the program hands to the desktop.
class local_address_router : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

public slots:
    void open(const QUrl& url) { open_local_address(url, front_window()); }
};

}  // namespace

bool open_web_page(web_page page) { return open_local_address(web_page_url(page), front_window()); }

url_opener set_url_opener(url_opener next) { return std::exchange(opener(), std::move(next)); }

bool open_local_address(const QUrl& url, QWidget* parent) {
    const QString file = url.isLocalFile() ? url.toLocalFile() : QString();
    const bool missing = url.isLocalFile() && !QFileInfo::exists(file);
    // Inside the router, the desktop's own call reaches the system directly.
    if (!missing && (opener() ? opener()(url) : QDesktopServices::openUrl(url))) return true;
    const QString shown = file.isEmpty() ? url.toString() : QDir::toNativeSeparators(file);
    // The path stands whole on a line of its own (never broken at a hyphen), to be copied.
    const QString message = to_qstring(tr(missing ? L"HELP_MISSING_MSG" : L"HELP_OPEN_FAILED_MSG"));
    const int at = message.indexOf(QStringLiteral("%1"));
    auto paragraph = [](const QString& part) {
        const QString lines = part.trimmed().toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        return lines.isEmpty() ? QString() : QStringLiteral("<p>%1</p>").arg(lines);
    };
    const QString text = at < 0 ? paragraph(message)
                                : paragraph(message.left(at)) +
                                      QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(shown.toHtmlEscaped()) +
                                      paragraph(message.mid(at + 2));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Oblivar"), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::RichText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
    return false;
}

void route_local_addresses(QObject* owner) {
    QDesktopServices::setUrlHandler(QStringLiteral("file"), new local_address_router(owner), "open");
}

}  // namespace olvex

#include "web_pages.moc"
