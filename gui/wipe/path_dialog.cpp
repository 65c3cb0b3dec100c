#include "gui/wipe/path_dialog.h"

#include "gui/shell/list_escape.h"
#include "gui/shell/message_dialog.h"
#include "gui/wipe/file_size_model.h"
#include "ui_path_dialog.h"

#include <QActionGroup>
#include <QCompleter>
#include <QCursor>
#include <QDateTime>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>

namespace olvex {

PathDialog::PathDialog(QWidget* parent)
    : QDialog(parent, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::path_form>()) {
    ui_->setupUi(this);
    ui_->option_chk->hide();
    view_menu_ = new QMenu(this);
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    group->addAction(ui_->show_details_action);
    group->addAction(ui_->show_icons_action);
    view_menu_->addAction(ui_->show_icons_action);
    view_menu_->addAction(ui_->show_details_action);
    view_menu_->addSeparator();
    view_menu_->addAction(ui_->show_hidden_action);
    ui_->view_btn->setMenu(view_menu_);
    // The address box's own completion fills in the rest of a visited folder, ignoring case, and
    // Enter would open that instead of what was typed. Visited folders are offered in a list the
    // user picks from; what is typed is never changed.
    auto* completer = new QCompleter(ui_->recent_cmb->model(), ui_->recent_cmb);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    // Visited folders often share a long start: the ends tell them apart.
    completer->popup()->setTextElideMode(Qt::ElideMiddle);
    ui_->recent_cmb->setCompleter(completer);
    keep_escape_in_open_lists(this);
    connect(ui_->recent_cmb, &QComboBox::textActivated, this, &PathDialog::combo_select);
    // Enter in the box, also while the list is open (where the dialog never sees the key).
    connect(ui_->recent_cmb->lineEdit(), &QLineEdit::returnPressed, this, [this, completer] {
        // An entry picked in the list arrives through textActivated.
        const QAbstractItemView* list = completer->popup();
        if (list->isVisible() && list->currentIndex().isValid()) return;
        combo_select(ui_->recent_cmb->lineEdit()->text());
    });
    if (!ui_->centre_widget->layout()) {
        auto* layout = new QVBoxLayout(ui_->centre_widget);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
    }
    // The listing keeps a light look whatever the theme.
    QPalette light = ui_->centre_widget->palette();
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::Text, Qt::black);
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    light.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    light.setColor(QPalette::ToolTipBase, QColor(255, 255, 220));
    light.setColor(QPalette::ToolTipText, Qt::black);
    ui_->centre_widget->setPalette(light);
    ui_->centre_widget->setAutoFillBackground(true);
    computer_text_ = tr("Computer", "FSEL_COMPUTER_NAME");
    not_found_caption_ = tr("Address Bar", "FSEL_NOT_EXIST_CAP");
    not_found_message_ = tr("Cannot find the specified path. Check the spelling and try again.", "FSEL_NOT_EXIST_MSG");
    wait_text_ = tr("Please wait...", "FSEL_WAIT_TEXT");
    resize(sizeHint().expandedTo(QSize(600, 350)));
}

PathDialog::~PathDialog() = default;

void PathDialog::set_filter_options(int options) { filter_options_ = options; }

void PathDialog::set_mode(int mode) { mode_ = mode; }

void PathDialog::set_text(int index, const QString& text) {
    switch (index) {
    case text_computer: computer_text_ = text; break;
    case text_not_found_caption: not_found_caption_ = text; break;
    case text_not_found_message: not_found_message_ = text; break;
    case text_option: ui_->option_chk->setText(text); break;
    case text_option_hint: ui_->option_chk->setToolTip(text); break;
    case text_wait: wait_text_ = text; break;
    default: break;
    }
}

void PathDialog::show_option(bool show) { ui_->option_chk->setVisible(show); }

bool PathDialog::exec_with_title(const QString& title) {
    saved_title_ = title;
    setWindowTitle(wait_text_);
    return exec() == QDialog::Accepted;
}

bool PathDialog::hidden_listed() const {
    return model_ ? (model_->filter() & QDir::Hidden) != 0 : (filter_options_ & list_hidden) != 0;
}

bool PathDialog::navigate(const QString& folder) {
    const QString path = clean_path(folder);
    if (!path.isEmpty() && (!is_folder_path(path) || (!hidden_listed() && is_hidden_path(path)))) return false;
    current_ = path;
    history_.add(path);
    put_into_address_box(path);
    if (model_) show_folder();
    return true;
}

void PathDialog::put_into_address_box(const QString& folder) {
    QString text;
    QIcon icon;
    if (folder.isEmpty()) {
        text = computer_text_;
        icon = ui_->root_btn->icon();
    } else {
        const QModelIndex index = model_ ? model_->index(folder) : QModelIndex();
        if (!index.isValid()) return;
        text = QDir::toNativeSeparators(folder);
        icon = model_->fileIcon(index);
    }
    QComboBox* box = ui_->recent_cmb;
    const int old = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (old >= 0) box->removeItem(old);
    box->insertItem(0, icon, text);
    box->setCurrentIndex(0);
}

void PathDialog::show_folder() {
    if (!model_) {
        QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("File pointer is null"));
        return;
    }
    if (view_) {
        view_->setRootIndex(current_.isEmpty() ? QModelIndex() : model_->index(current_));
        view_->clearSelection();
    }
    ui_->left_btn->setEnabled(history_.can_back());
    ui_->right_btn->setEnabled(history_.can_forward());
    ui_->up_btn->setEnabled(!current_.isEmpty());
    ui_->ok_btn->setEnabled(false);
    ui_->show_hidden_action->setChecked(hidden_listed());
    ui_->show_hidden_action->setVisible(!(filter_options_ & hide_hidden_action));
}

void PathDialog::show_history_entry() {
    current_ = history_.current();
    put_into_address_box(current_);
    show_folder();
}

void PathDialog::build_view() {
    if (!model_) {
        QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("File model is null"));
        return;
    }
    QAbstractItemView* view = nullptr;
    QTreeView* tree = nullptr;
    if (details_) {
        tree = new QTreeView(ui_->centre_widget);
        tree->setRootIsDecorated(false);
        tree->setItemsExpandable(false);
        tree->setSelectionBehavior(QAbstractItemView::SelectRows);
        view = tree;
    } else {
        auto* list = new QListView(ui_->centre_widget);
        list->setViewMode(QListView::IconMode);
        list->setResizeMode(QListView::Adjust);
        list->setUniformItemSizes(false);
        list->setSpacing(16);
        view = list;
    }
    view->setSelectionMode((mode_ & choose_several) ? QAbstractItemView::ExtendedSelection
                                                    : QAbstractItemView::SingleSelection);
    // The old view may be the one whose signal brought us here: it goes once that has returned.
    if (view_) {
        view_->hide();
        view_->deleteLater();
    }
    ui_->centre_widget->layout()->addWidget(view);
    view_ = view;
    view->setModel(model_);
    if (tree) {
        // The name takes what the other columns leave: they hold short texts that must be whole.
        tree->header()->setStretchLastSection(false);
        tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    show_folder();
    fit_columns();
    if (tree) {
        tree->sortByColumn(0, Qt::AscendingOrder);
        tree->setSortingEnabled(true);
    }
    ui_->show_details_action->setChecked(details_);
    ui_->show_icons_action->setChecked(!details_);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QAbstractItemView::doubleClicked, this, &PathDialog::view_activate);
    connect(view, &QWidget::customContextMenuRequested, this, &PathDialog::context_menu_requested);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &PathDialog::select_changed);
}

void PathDialog::fit_columns() {
    auto* tree = qobject_cast<QTreeView*>(view_);
    if (!tree || !model_) return;
    // Size, type and time are never cut: each column is as wide as its longest text in the
    // font in use (which under Windows is not the one here), and only ever widens.
    const QFontMetrics metrics = tree->fontMetrics();
    const int margins = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1) + 4;
    int type = 0;
    // A folder's and a drive's type are the ones listed everywhere (for example "File Folder").
    for (const QString& path : {QDir::rootPath(), QDir::homePath()})
        type = std::max(type, metrics.horizontalAdvance(model_->iconProvider()->type(QFileInfo(path))));
    // A time as the model writes it, with the widest digits and a two-digit day and hour.
    const QString time = QLocale::system().toString(QDateTime(QDate(2000, 12, 28), QTime(20, 58, 58)), QLocale::ShortFormat);
    const int least[] = {0, size_column_width(metrics) + margins, type + margins, metrics.horizontalAdvance(time) + margins};
    for (int column = 1; column < 4; ++column) {
        const int was = tree->columnWidth(column);
        tree->resizeColumnToContents(column);  // the rows listed and the header
        tree->setColumnWidth(column, std::max({was, least[column], tree->columnWidth(column)}));
    }
}

void PathDialog::fit_width() {
    auto* tree = qobject_cast<QTreeView*>(view_);
    if (!tree) return;
    // Whole size, type and time columns leave the names a fair width on the first opening; the
    // size the user gives the picker later is kept.
    int needed = tree->fontMetrics().averageCharWidth() * 24 + 2 * tree->frameWidth() +
                 tree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, tree);
    for (int column = 1; column < 4; ++column) needed += tree->columnWidth(column);
    const QMargins margins = layout()->contentsMargins();
    needed += margins.left() + margins.right();
    const QScreen* on = screen();
    if (on) needed = std::min(needed, on->availableGeometry().width() * 9 / 10);
    if (needed <= width()) return;
    resize(needed, height());
    centre_on_parent(this);
}

QStringList PathDialog::selection() const {
    QStringList paths;
    if (!view_ || !model_) return paths;
    // The details view selects every column of a row: each path counts once.
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes()) {
        const QString path = model_->filePath(index);
        if (!paths.contains(path)) paths.append(path);
    }
    return paths;
}

void PathDialog::showEvent(QShowEvent* event) {
    centre_on_parent(this);
    setCursor(Qt::WaitCursor);
    if (!model_) {
        model_ = new FileSizeModel(this);
        model_->setReadOnly(true);
        // A link is listed and chosen as itself, never as what it names.
        model_->setResolveSymlinks(false);
        model_->setFilter(model_filter(filter_options_));
        model_->setRootPath(QString());
        // What a folder holds arrives a moment after it is shown.
        connect(model_, &QFileSystemModel::directoryLoaded, this, &PathDialog::fit_columns);
    }
    const QSize icons(icon_size_, icon_size_);
    for (QToolButton* b : {ui_->left_btn, ui_->right_btn, ui_->up_btn, ui_->root_btn, ui_->home_btn, ui_->view_btn})
        b->setIconSize(icons);
    // A folder that went away (or is now hidden from the listing) since the last run.
    if (!current_.isEmpty() && (!is_folder_path(current_) || (!hidden_listed() && is_hidden_path(current_))))
        current_.clear();
    history_.add(current_);
    put_into_address_box(current_);
    build_view();
    if (!opened_) fit_width();
    opened_ = true;
    QDialog::showEvent(event);
    QTimer::singleShot(500, this, &PathDialog::kill_wait);
}

void PathDialog::hideEvent(QHideEvent* event) {
    if (view_) {
        view_->hide();
        view_->deleteLater();
        view_ = nullptr;
    }
    history_.clear();
    if (model_) {
        model_->deleteLater();
        model_ = nullptr;
    }
    QDialog::hideEvent(event);
    setCursor(Qt::WaitCursor);
}

void PathDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        const QString title = windowTitle();
        ui_->retranslateUi(this);
        setWindowTitle(title);
    }
    QDialog::changeEvent(event);
}

void PathDialog::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && view_) {
        QComboBox* box = ui_->recent_cmb;
        if (view_->hasFocus()) {
            const QModelIndex index = view_->currentIndex();
            if (index.isValid() && is_folder_path(model_->filePath(index))) {
                view_activate(index);
                return;
            }
        } else if (box->hasFocus() || (box->lineEdit() && box->lineEdit()->hasFocus())) {
            return;  // the box took it: never OK
        }
    }
    QDialog::keyPressEvent(event);
}

void PathDialog::on_left_btn_clicked() {
    if (history_.back()) show_history_entry();
}

void PathDialog::on_right_btn_clicked() {
    if (history_.forward()) show_history_entry();
}

void PathDialog::on_up_btn_clicked() { navigate(parent_folder(current_)); }

void PathDialog::on_root_btn_clicked() { navigate(QString()); }

void PathDialog::on_home_btn_clicked() { navigate(QDir::homePath()); }

void PathDialog::on_view_btn_clicked() {
    details_ = !details_;
    build_view();
}

void PathDialog::on_show_details_action_triggered() {
    if (details_ && view_) return;
    details_ = true;
    build_view();
}

void PathDialog::on_show_icons_action_triggered() {
    if (!details_ && view_) return;
    details_ = false;
    build_view();
}

void PathDialog::on_show_hidden_action_triggered() {
    if (!model_) return;
    const QDir::Filters filter = model_->filter() ^ QDir::Hidden;
    model_->setFilter(filter);
    if (!(filter & QDir::Hidden) && is_hidden_path(current_))
        navigate(QString());
    else
        show_folder();
}

void PathDialog::on_ok_btn_clicked() {
    const QStringList chosen = selection();
    // What was selected may have changed on disk since: check again.
    if (!selection_acceptable(chosen, mode_)) {
        ui_->ok_btn->setEnabled(false);
        return;
    }
    result_ = chosen;
    accept();
}

void PathDialog::on_cancel_btn_clicked() { reject(); }

void PathDialog::kill_wait() {
    setCursor(Qt::ArrowCursor);
    setWindowTitle(saved_title_);
}

void PathDialog::view_activate(const QModelIndex& idx) {
    if (!model_ || !idx.isValid()) return;
    const QString path = model_->filePath(idx);
    if (is_folder_path(path)) {
        navigate(path);
        ui_->ok_btn->setEnabled(false);
        return;
    }
    if (ui_->ok_btn->isEnabled()) on_ok_btn_clicked();
}

void PathDialog::combo_select(const QString& text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return;
    const QString folder = address_folder(typed, current_);
    if (!folder.isEmpty() && navigate(folder)) return;
    if (typed == computer_text_) {
        navigate(QString());
        return;
    }
    QMessageBox::critical(this, not_found_caption_, not_found_message_);
}

void PathDialog::select_changed(const QItemSelection&, const QItemSelection&) {
    ui_->ok_btn->setEnabled(view_ && selection_acceptable(selection(), mode_));
}

void PathDialog::context_menu_requested(const QPoint&) { view_menu_->exec(QCursor::pos()); }

}  // namespace olvex
