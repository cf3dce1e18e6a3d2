#include "qt/debug_view.h"

#include <QAction>
#include <QMainWindow>
#include <string>

#include "app/board_session.h"
#include "qt/breakpoints_dialog.h"
#include "qt/listing_margin.h"
#include "qt/register_strip.h"
#include "status/status_texts.h"
#include "text/hex_digits.h"

namespace halvane::qt {

DebugView::DebugView(QMainWindow& window, const DialogGate& gate, app::BoardSession& session,
                     ListingMargin& margin, RegisterStrip& registers)
    : session_(session),
      margin_(&margin),
      registers_(registers),
      editor_(std::make_unique<BreakpointEditorAdapter>(window, gate)) {
    DebugSession& debug = session_.debug();
    shown_.push_back(debug.changed.subscribe([this] { show_debugging(); }));
    // After the window's own subscription: the viewer holds the new text by then.
    shown_.push_back(session_.viewer().changed.subscribe([this] { show_viewer(); }));
    connect(margin_, &ListingMargin::toggle_requested, this,
            [&debug](int line) { debug.toggle_line(line); });
    connect(&registers_, &RegisterStrip::change_requested, this,
            [this](Register reg) { change_register(static_cast<int>(reg)); });
    connect_menu(window);
    show_viewer();
}

DebugView::~DebugView() = default;

void DebugView::connect_menu(QMainWindow& window) {
    DebugSession& debug = session_.debug();
    const auto on = [this, &window](const char* action, auto command) {
        connect(window.findChild<QAction*>(action), &QAction::triggered, this, command);
    };
    on("board_togglebreakpoint", [this, &debug] { debug.toggle_line(current_line()); });
    on("board_continue", [&debug] { debug.continue_program(); });
    on("board_step", [&debug] { debug.step(); });
    on("board_runtoline", [this, &debug] { debug.run_to_line(current_line()); });
    on("board_pause", [&debug] { debug.pause(); });
    on("board_breakpoints", [this, &debug] { debug.edit_breakpoints(*editor_); });
}

int DebugView::current_line() const {
    return margin_->current_line();
}

// A new text in the viewer (the viewer shows the margin with a listing only): the stop's mark
// is laid on it again.
void DebugView::show_viewer() {
    stop_line_shown_.reset();
    show_debugging();
}

void DebugView::show_debugging() {
    const DebugSession& debug = session_.debug();
    margin_->set_breakpoint_lines(debug.breakpoints().marked_lines());
    const std::optional<int> stop = debug.stopped() ? debug.stop_line() : std::nullopt;
    if (stop != stop_line_shown_) {
        stop_line_shown_ = stop;
        margin_->set_stop_line(stop);
    }
    registers_.show_registers(debug.stopped() ? debug.registers() : std::nullopt);
}

// A double-click on a register of the stopped program: its new value, through rm.
void DebugView::change_register(int index) {
    const auto reg = static_cast<Register>(index);
    DebugSession& debug = session_.debug();
    if (!debug.stopped()) return;
    const std::string name(1, register_letter(reg));
    const auto typed = session_.dialogs().ask_text(texts::kNewValuePrompt, "Register " + name);
    if (!typed) return;
    const auto value = hex_value(*typed);
    if (!value || typed->empty() || typed->size() > register_digits(reg)) {
        session_.status().show_failure(std::string(texts::kStatusPrefix) + "Invalid value for " +
                                       name + ": " + *typed);
        return;
    }
    debug.change_register(reg, *value);
}

}  // namespace halvane::qt
