#include "grid/monitor_row_operation.h"

#include <algorithm>
#include <map>
#include <utility>

#include "grid/grid_rules.h"
#include "link/monitor_dialogue.h"
#include "text/hex_digits.h"

namespace halvane {

namespace {
constexpr std::uint32_t kRegistersFirst = 0x1000;
constexpr std::uint32_t kRegistersLast = 0x103F;

std::size_t width(const RowRequest& request) {
    return request.word ? 2 : 1;
}

std::uint32_t last_byte(const RowRequest& request) {
    return std::uint32_t{request.address} + static_cast<std::uint32_t>(width(request)) - 1;
}

// Whether `row` is read with mm, byte by byte.
bool read_alone(const RowRequest& request) {
    for (std::uint32_t a = request.address; a <= last_byte(request); ++a) {
        if (read_alone_through_monitor(a)) return true;
    }
    return false;
}

std::uint32_t line_of(std::uint32_t address) {
    return address & ~std::uint32_t{0xF};
}

// A job that chooses its way when its turn comes.
class CellOperation : public LineJob {
  public:
    CellOperation(RowRequest request, RowOperation::Done done)
        : request_(std::move(request)), done_(std::move(done)) {}

    void start(Line& line) override {
        if (monitor_listens(line.board_state())) {
            inner_ = std::make_unique<MonitorRowOperation>(std::vector<RowRequest>{request_},
                                                           std::move(done_));
        } else {
            inner_ = std::make_unique<RowOperation>(request_, std::move(done_));
        }
        inner_->start(line);
    }
    void woke(Line& line) override { inner_->woke(line); }
    void received(Line& line, std::string_view text) override { inner_->received(line, text); }
    void stop(std::string_view port_error) override {
        if (inner_) {
            inner_->stop(port_error);
            return;
        }
        // Ended before its turn: told as RowOperation tells it.
        RowOperation(request_, std::move(done_)).stop(port_error);
        stopped_ = true;
    }
    void abandon() override {
        if (inner_) inner_->abandon();
        stopped_ = true;
    }
    bool finished() const override { return inner_ ? inner_->finished() : stopped_; }
    bool withholds_replies() const override { return request_.quiet; }
    std::string released_text() override { return inner_ ? inner_->released_text() : ""; }

  private:
    RowRequest request_;
    RowOperation::Done done_;
    std::unique_ptr<LineJob> inner_;
    bool stopped_ = false;
};
}  // namespace

bool read_alone_through_monitor(std::uint32_t address) {
    return address > 0xFFFF || (address >= kRegistersFirst && address <= kRegistersLast);
}

MonitorRowOperation::MonitorRowOperation(std::vector<RowRequest> rows, RowOperation::Done done)
    : done_(std::move(done)) {
    for (RowRequest& request : rows) rows_.push_back({std::move(request), {}, false});
    if (rows_.front().request.answer) plan_write();
    plan_reads();
}

void MonitorRowOperation::plan_write() {
    const RowRequest& first = rows_.front().request;
    const auto store = [this](std::uint16_t address, const std::string& value) {
        plan_.push_back({Planned::Kind::kOpenModify,
                         {monitor::memory_modify_command(address), MonitorStep::Until::kSubPrompt},
                         address,
                         0});
        plan_.push_back({Planned::Kind::kStoreValue,
                         {value + std::string(monitor::kLineEnd), MonitorStep::Until::kPrompt},
                         address,
                         0});
    };
    store(first.address, first_two(*first.answer));
    if (first.word) store(static_cast<std::uint16_t>(first.address + 1), last_two(*first.answer));
}

void MonitorRowOperation::plan_reads() {
    std::uint32_t first = 0x10000;
    std::uint32_t last = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const RowRequest& request = rows_[i].request;
        if (!read_alone(request)) {
            first = std::min<std::uint32_t>(first, request.address);
            last = std::max(last, last_byte(request));
            continue;
        }
        for (std::uint32_t a = request.address; a <= last_byte(request); ++a) {
            const auto address = static_cast<std::uint16_t>(a);
            plan_.push_back(
                {Planned::Kind::kModifyRead,
                 {monitor::memory_modify_command(address), MonitorStep::Until::kSubPrompt},
                 address,
                 i});
            plan_.push_back({Planned::Kind::kCloseModify,
                             {std::string(1, monitor::kCancelLine), MonitorStep::Until::kPrompt},
                             address,
                             i});
        }
    }
    if (first <= last) {
        plan_.push_back({Planned::Kind::kDump,
                         {monitor::memory_dump_command(static_cast<std::uint16_t>(first),
                                                       static_cast<std::uint16_t>(last)),
                          MonitorStep::Until::kPrompt},
                         static_cast<std::uint16_t>(first),
                         0});
    }
}

void MonitorRowOperation::start(Line& line) {
    // A cell operation the user sees starts with an empty receive log.
    if (!rows_.front().request.quiet) line.clear_received();
    MonitorExchange::start(line);
}

MonitorStep MonitorRowOperation::first_step() {
    return plan_[next_].step;
}

std::optional<MonitorStep> MonitorRowOperation::step_done(Line& /*line*/,
                                                          const MonitorAnswer& answer) {
    const Planned& done = plan_[next_];
    switch (done.kind) {
        case Planned::Kind::kOpenModify:
        case Planned::Kind::kStoreValue:
            break;
        case Planned::Kind::kModifyRead: {
            Row& row = rows_[done.row];
            const auto shown = monitor::parse_modify_prompt(answer.waiting_line);
            if (shown && shown->address == done.address) {
                row.replies.push_back(hex_text(shown->value, 2));
            } else if (!row.reported) {
                report(row, RowResult::Outcome::kTimedOut, done.address);
            }
            break;
        }
        case Planned::Kind::kCloseModify: {
            Row& row = rows_[done.row];
            if (!row.reported && row.replies.size() == width(row.request))
                report(row, RowResult::Outcome::kOk);
            break;
        }
        case Planned::Kind::kDump:
            take_dump(answer);
            break;
    }
    if (++next_ >= plan_.size()) return std::nullopt;
    return plan_[next_].step;
}

// Each row takes its bytes from the dump lines that show them; a row whose line is missing or
// damaged got no answer at the first byte it lacks.
void MonitorRowOperation::take_dump(const MonitorAnswer& answer) {
    std::map<std::uint32_t, monitor::DumpLine> lines;
    for (const std::string& text : answer.lines) {
        if (const auto line = monitor::parse_dump_line(text)) lines[line->address] = *line;
    }
    for (Row& row : rows_) {
        if (row.reported || read_alone(row.request)) continue;
        for (std::uint32_t a = row.request.address; a <= last_byte(row.request); ++a) {
            const auto found = lines.find(line_of(a));
            if (found == lines.end()) {
                report(row, RowResult::Outcome::kTimedOut, static_cast<std::uint16_t>(a));
                break;
            }
            row.replies.push_back(hex_text(found->second.bytes[a & 0xF], 2));
        }
        if (!row.reported) report(row, RowResult::Outcome::kOk);
    }
}

void MonitorRowOperation::ended_early(End end, std::string_view port_error) {
    const std::uint16_t asked = next_ < plan_.size() ? plan_[next_].address : 0;
    for (Row& row : rows_) {
        if (row.reported) continue;
        switch (end) {
            case End::kNoAnswer:
                report(row, RowResult::Outcome::kTimedOut, asked);
                break;
            case End::kCancelled:
                report(row, RowResult::Outcome::kCancelled);
                break;
            case End::kPortFailed:
                report(row, RowResult::Outcome::kPortFailed, 0, port_error);
                break;
        }
    }
}

void MonitorRowOperation::report(Row& row, RowResult::Outcome outcome, std::uint16_t failed_address,
                                 std::string_view port_error) {
    const RowResult result = row.report(outcome, failed_address, false, port_error);
    if (done_) done_(result);
}

std::unique_ptr<MonitorRowOperation> read_first_rows_through_monitor(
    std::span<const RowRequest> rows, RowOperation::Done done, std::size_t& taken) {
    taken = 0;
    if (rows.empty()) return nullptr;
    std::vector<RowRequest> group{rows.front()};
    taken = 1;
    if (!read_alone(rows.front())) {
        std::uint32_t low = line_of(rows.front().address);
        std::uint32_t high = line_of(last_byte(rows.front()));
        for (const RowRequest& next : rows.subspan(1)) {
            if (read_alone(next)) break;
            const std::uint32_t first_line = line_of(next.address);
            const std::uint32_t last_line = line_of(last_byte(next));
            const std::uint32_t new_low = std::min(low, first_line);
            const std::uint32_t new_high = std::max(high, last_line);
            // Joined: no line between them is shown for nothing, and no register is shown.
            const bool joins = first_line <= high + 16 && last_line + 16 >= low;
            const bool crosses_registers =
                new_low <= kRegistersLast && new_high + 15 >= kRegistersFirst;
            if (!joins || crosses_registers ||
                (new_high - new_low) / 16 + 1 > MonitorRowOperation::kMaxDumpLines)
                break;
            low = new_low;
            high = new_high;
            group.push_back(next);
            ++taken;
        }
    }
    return std::make_unique<MonitorRowOperation>(std::move(group), std::move(done));
}

std::unique_ptr<LineJob> make_cell_operation(RowRequest request, RowOperation::Done done) {
    return std::make_unique<CellOperation>(std::move(request), std::move(done));
}

}  // namespace halvane
