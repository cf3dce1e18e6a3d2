#pragma once

#include <QObject>
#include <memory>
#include <optional>
#include <vector>

#include "notify/signal.h"

class QMainWindow;

namespace halvane {
namespace app {
class BoardSession;
}
}  // namespace halvane

namespace halvane::qt {

class BreakpointEditorAdapter;
class ListingMargin;
class RegisterStrip;
struct DialogGate;

// Debugging on screen: the viewer's listing margin (breakpoint marks, the stop's arrow, a click
// toggles), the register strip under the grid, and the Board menu's debugging commands, bound to
// the session's DebugSession.
class DebugView : public QObject {
    Q_OBJECT

  public:
    DebugView(QMainWindow& window, const DialogGate& gate, app::BoardSession& session,
              ListingMargin& margin, RegisterStrip& registers);
    ~DebugView() override;

  private:
    void connect_menu(QMainWindow& window);
    void show_debugging();
    void show_viewer();
    void change_register(int reg);
    int current_line() const;

    app::BoardSession& session_;
    ListingMargin* margin_ = nullptr;
    RegisterStrip& registers_;
    std::unique_ptr<BreakpointEditorAdapter> editor_;
    std::vector<Subscription> shown_;
    std::optional<int> stop_line_shown_;
};

}  // namespace halvane::qt
