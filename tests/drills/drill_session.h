#pragma once

// The real window (HalvaneWindow under the offscreen platform) connected to a `boardsim`
// child process, driven the way a user drives it: menu items, mouse double-clicks on grid
// cells, the Get All button, and modal dialogs answered as they open.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "e2e/board_process.h"
#include "qt/halvane_window.h"

namespace halvane::drills {

using namespace std::chrono_literals;

// All 500 cells of the grid, row by row.
using GridCells = std::vector<std::string>;

class DrillSession {
  public:
    // Starts boardsim with `board_options` and opens the window on its terminal;
    // `folder` is where the file dialogs start.
    DrillSession(const std::vector<std::string>& board_options, const QString& folder);
    ~DrillSession();

    // Empty when everything started; otherwise what failed.
    const std::string& start_error() const { return start_error_; }
    qt::HalvaneWindow& window() { return *window_; }
    e2e::BoardProcess& board() { return *board_; }

    // Answers for the next modal dialogs, in the order they open. A dialog that opens with
    // no answer waiting is recorded in unexpected_dialogs and rejected.
    void choose_file(const QString& path);
    void acknowledge_message();
    void type_into_input_box(const QString& text);
    // The save dialog's proposed name is recorded in proposed_names; an overwrite question
    // that follows is answered Yes. `then` runs once the dialog has been accepted, just
    // before the window goes on to write the file.
    void choose_save_file(const QString& path, std::function<void()> then = {});
    // Drops answers that no dialog has used.
    void forget_answers() { answers_.clear(); }

    QStringList messages;            // texts of the message boxes answered
    QStringList proposed_names;      // names the save dialog offered
    QStringList unexpected_dialogs;  // object names of dialogs nobody expected

    // User actions; each returns when the window's handler has returned and the board link
    // has done the work it started.
    void trigger(const char* action);
    void double_click(int row, int col);
    void click_get_all();
    void click_option(const char* name);
    // File > Open on `path` with the reset box acknowledged; then lets the board work
    // through the download. True when the program runs.
    bool open_program(const QString& path);

    // Dispatches events until the board link has nothing left to do.
    void settle();
    // Dispatches events until `done` holds or `limit` passes.
    bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds limit);
    void run_for(std::chrono::milliseconds duration);

    QString status() const;
    std::string cell(int row, int col);
    void set_row(int row, const std::string& address, const std::string& hex,
                 const std::string& flag);
    GridCells cells();
    // True when the window was still running a command when the drill's time ran out;
    // the window is then closed, which ends every wait.
    bool hung() const { return hung_; }

  private:
    using Answer = std::function<void(QWidget&)>;
    void answer_pending_dialog();

    std::unique_ptr<e2e::BoardProcess> board_;
    std::unique_ptr<qt::HalvaneWindow> window_;
    std::string start_error_;
    std::deque<Answer> answers_;
    // Dialogs already answered; one stays modal while a question it asked is answered.
    std::vector<QPointer<QWidget>> answered_;
    QTimer dialog_watch_;
    QTimer watchdog_;
    bool hung_ = false;
};

// The cells of `after` that differ from `before`, as "row,col" texts.
QStringList changed_cells(const GridCells& before, const GridCells& after);

}  // namespace halvane::drills
