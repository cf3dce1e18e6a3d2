#pragma once

// A pseudo-terminal standing in for the serial line: the window opens the slave side by
// name, the test plays the board on the master side.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QString>

namespace halvane::testing {

class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    QString slave_name() const { return slave_name_; }
    int master() const { return master_; }

    // The board sends bytes, all in one write.
    void send(const QByteArray& bytes);
    // What the window has written, waiting (while Qt events run) until `count` bytes have
    // come or `timeout_ms` has passed.
    QByteArray receive(int count, int timeout_ms = 3000);
    // Everything that arrives within `ms`.
    QByteArray receive_for(int ms);
    // The output rate the terminal settings hold, as the kernel reports it with TCGETS2 (which
    // also gives a rate without a name of its own); 0 when it cannot tell.
    long line_rate() const;
    // The board goes away: the line hangs up.
    void close_master();

  private:
    int master_ = -1;
    QString slave_name_;
};

}  // namespace halvane::testing
