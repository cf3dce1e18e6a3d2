#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "debug/register_names.h"
#include "link/monitor_dialogue.h"

class QLabel;

namespace halvane::qt {

// The registers of the stopped program in a row under the grid: P, Y, X, A, B and S with their
// values, then the condition codes as the letters S X H I N Z V C, the set ones bold. While no
// program is stopped the values are empty and the row greyed. A double-click on a register (on
// any letter for the condition codes) asks to change it. Object names: "RegisterStrip",
// "register_P" ... "register_S" and "condition_S" ... "condition_C".
class RegisterStrip : public QWidget {
    Q_OBJECT

  public:
    explicit RegisterStrip(QWidget* parent = nullptr);

    // The registers of the program stopped, or none while no program is stopped.
    void show_registers(const std::optional<monitor::Registers>& registers);

  signals:
    void change_requested(halvane::Register reg);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The listing's face, made smaller where the row would not fit the strip's width in it, so
    // that no register is cut off whatever face the desktop has.
    void fit_font();
    void apply_font(const QFont& font);

    // P, Y, X, A, B, S in the order shown.
    static constexpr std::array<Register, 6> kShown = {Register::kP, Register::kY, Register::kX,
                                                       Register::kA, Register::kB, Register::kS};
    std::array<QLabel*, kShown.size()> values_{};
    std::array<QLabel*, kConditionCodeLetters.size()> conditions_{};
};

}  // namespace halvane::qt
