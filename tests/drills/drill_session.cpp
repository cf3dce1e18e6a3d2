#include "drills/drill_session.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "qt/watch_grid.h"

namespace halvane::drills {

namespace {
// Longer than any drill needs; a command still waiting then is a hang.
constexpr auto kDrillTimeLimit = 25s;
}  // namespace

DrillSession::DrillSession(const std::vector<std::string>& board_options, const QString& folder) {
    board_ = std::make_unique<e2e::BoardProcess>(board_options);
    if (board_->device().empty()) {
        start_error_ = "boardsim did not start";
        return;
    }
    window_ = std::make_unique<qt::HalvaneWindow>(QString::fromStdString(board_->device()),
                                                  folder.toStdString());
    QObject::connect(&dialog_watch_, &QTimer::timeout, [this] { answer_pending_dialog(); });
    dialog_watch_.start(5);
    if (!window_->start()) {
        start_error_ = "the window could not open the board's terminal";
        return;
    }
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) start_error_ = "the window did not show";

    watchdog_.setSingleShot(true);
    QObject::connect(&watchdog_, &QTimer::timeout, [this] {
        hung_ = true;
        if (window_) window_->close();
    });
    watchdog_.start(kDrillTimeLimit);
}

DrillSession::~DrillSession() {
    dialog_watch_.stop();
    watchdog_.stop();
    if (window_ && !window_->closed()) window_->close();
    window_.reset();
    board_.reset();
}

void DrillSession::answer_pending_dialog() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    std::erase_if(answered_, [](const QPointer<QWidget>& gone) { return gone.isNull(); });
    for (const QPointer<QWidget>& seen : answered_) {
        if (seen.data() == modal) return;
    }
    answered_.emplace_back(modal);
    QPointer<QWidget> target(modal);
    if (answers_.empty()) {
        unexpected_dialogs << modal->objectName();
        QTimer::singleShot(0, [target] {
            if (auto* dialog = qobject_cast<QDialog*>(target.data())) dialog->reject();
        });
        return;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    // Answered from a fresh event, so that a dialog opened by the answer itself (the
    // question before a file is replaced) is seen by this watch too.
    QTimer::singleShot(0, [target, answer] {
        if (target) answer(*target);
    });
}

void DrillSession::choose_file(const QString& path) {
    answers_.push_back([path](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        if (dialog == nullptr) return;
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    });
}

void DrillSession::choose_save_file(const QString& path, std::function<void()> then) {
    answers_.push_back([this, path, then](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        if (dialog == nullptr) return;
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        proposed_names << name->text();
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();
        if (then) then();
    });
    if (QFile::exists(path)) {
        answers_.push_back([](QWidget& modal) {
            if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
                box->button(QMessageBox::Yes)->click();
            }
        });
    }
}

void DrillSession::acknowledge_message() {
    answers_.push_back([this](QWidget& modal) {
        auto* box = qobject_cast<QMessageBox*>(&modal);
        if (box == nullptr) return;
        messages << box->text();
        box->button(QMessageBox::Ok)->click();
    });
}

void DrillSession::type_into_input_box(const QString& text) {
    answers_.push_back([text](QWidget& modal) {
        auto* box = qobject_cast<QInputDialog*>(&modal);
        if (box == nullptr) return;
        box->setTextValue(text);
        box->accept();
    });
}

void DrillSession::trigger(const char* action) {
    window_->findChild<QAction*>(action)->trigger();
    settle();
}

void DrillSession::settle() {
    wait_until([this] { return window_->session().link().idle(); }, kDrillTimeLimit);
}

void DrillSession::double_click(int row, int col) {
    qt::WatchGrid& grid = window_->grid();
    const QModelIndex index = grid.model()->index(row - 1, col);
    grid.scrollTo(index);
    const QPoint at = grid.visualRect(index).center();
    QWidget* viewport = grid.viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    settle();
}

void DrillSession::click_get_all() {
    auto* button = window_->findChild<QPushButton*>("get_all");
    QTest::mouseClick(button, Qt::LeftButton);
    settle();
}

void DrillSession::click_option(const char* name) {
    auto* option = window_->findChild<QRadioButton*>(name);
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, QPoint(6, option->height() / 2));
}

bool DrillSession::open_program(const QString& path) {
    choose_file(path);
    acknowledge_message();
    trigger("file_open");
    return window_->session().link().gate_open();
}

bool DrillSession::wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count()) QTest::qWait(5);
    return done();
}

void DrillSession::run_for(std::chrono::milliseconds duration) {
    QTest::qWait(static_cast<int>(duration.count()));
}

QString DrillSession::status() const {
    // A text too long for the label is shown shortened, and whole in its tooltip.
    const auto* label = window_->findChild<QLabel*>("Status");
    return label->toolTip().isEmpty() ? label->text() : label->toolTip();
}

std::string DrillSession::cell(int row, int col) {
    return window_->grid().text(row, col);
}

void DrillSession::set_row(int row, const std::string& address, const std::string& hex,
                           const std::string& flag) {
    window_->session().table().set_text(row, 0, address);
    window_->session().table().set_text(row, 2, hex);
    window_->session().table().set_text(row, 3, flag);
}

GridCells DrillSession::cells() {
    GridCells all;
    for (int row = 0; row < WatchTable::kRows; ++row) {
        for (int col = 0; col < WatchTable::kCols; ++col) all.push_back(cell(row, col));
    }
    return all;
}

QStringList changed_cells(const GridCells& before, const GridCells& after) {
    QStringList changed;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i] != after[i])
            changed
                << QStringLiteral("%1,%2").arg(i / WatchTable::kCols).arg(i % WatchTable::kCols);
    }
    return changed;
}

}  // namespace halvane::drills
