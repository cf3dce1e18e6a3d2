#pragma once

#include <string>
#include <string_view>

#include "cli/console.h"
#include "watch/record_sink.h"

namespace halvane::cli {

// A recording on the console's output (standard output): every write reaches it at once, so a
// reader (a pipe, a script) has each line as soon as it is recorded.
class ConsoleRecordSink : public RecordSink {
  public:
    explicit ConsoleRecordSink(Console& console) : console_(console) {}

    bool write(std::string_view bytes) override { return console_.print(bytes); }
    // The output stays open: it is the program's, not the recording's.
    bool close() override { return true; }
    std::string error_text() const override { return console_.output_error(); }

  private:
    Console& console_;
};

}  // namespace halvane::cli
