// Save drills: File > Save into a folder that may not be written and onto a disk that fills
// up. The save fails with a message, the old file keeps every byte, nothing half-written is
// left beside it, and the grid keeps what the user had.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <optional>

#include "drills/drill_session.h"
#include "fakes/test_files.h"
#include "qt/watch_grid.h"
#include "varmap/map_reader.h"

namespace halvane::drills {
namespace {

using fakes::FileSizeLimit;

const QByteArray kOldMap =
    "\"Address\",\"Description\",\"Hex Value\",\"Flag\",\"Dec Value\"\r\n"
    "\"2402\",\"the old map\",\"\",\"WD\",\"\"\r\n";

// Root passes every permission check; for the length of a save, file access is checked as
// the unprivileged user "nobody" instead (the file-system user id drops the capabilities
// that override permissions, for this thread only).
class FileAccessAsNobody {
  public:
    FileAccessAsNobody() {
        if (geteuid() == 0) {
            setfsuid(65534);
            active_ = true;
        }
    }
    ~FileAccessAsNobody() {
        if (active_) setfsuid(0);
    }

  private:
    bool active_ = false;
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

class SaveDrill : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        // Others may enter the folder (the read-only drill checks access as "nobody").
        QFile::setPermissions(folder.path(), QFile::permissions(folder.path()) |
                                                 QFileDevice::ExeOther | QFileDevice::ReadOther);
        session = std::make_unique<DrillSession>(std::vector<std::string>{}, folder.path());
        ASSERT_EQ(session->start_error(), "");
        session->set_row(1, "3000", "5A", "D");
        session->window().session().table().set_text(1, 1, "scratch, \"quoted\"");
        session->set_row(2, "2402", "0102", "WD");
    }
    void TearDown() override {
        if (!session) return;
        EXPECT_FALSE(session->hung());
        EXPECT_EQ(session->unexpected_dialogs.join(",").toStdString(), "");
        session.reset();
    }
    // Saves through the dialog and returns the message shown (empty when none).
    // With `as_nobody`, the file itself is written with the access of "nobody".
    QString save_to(const QString& path, bool as_nobody = false) {
        const qsizetype messages_before = session->messages.size();
        std::optional<FileAccessAsNobody> access;
        session->choose_save_file(path, [&] {
            if (as_nobody) access.emplace();
        });
        session->acknowledge_message();  // used only when the save fails
        session->trigger("File_save");
        access.reset();
        session->run_for(50ms);
        session->forget_answers();
        return session->messages.size() > messages_before ? session->messages.last() : QString();
    }
    QStringList files_in(const QString& path) {
        return QDir(path).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // Tries to create a file in `folder` with the access a save has.
    bool writable_as_nobody(const QString& path) {
        const QByteArray probe = QFile::encodeName(path + "/.probe");
        int fd = -1;
        {
            FileAccessAsNobody as_nobody;
            fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        }
        if (fd < 0) return false;
        ::close(fd);
        ::unlink(probe.constData());
        return true;
    }

    QTemporaryDir folder;
    std::unique_ptr<DrillSession> session;
};

TEST_F(SaveDrill, SaveIntoAReadOnlyFolderFailsWithAMessageAndChangesNothing) {
    const QString maps = folder.filePath("maps");
    ASSERT_TRUE(QDir().mkdir(maps));
    const QString target = maps + "/counter.csv";
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(kOldMap);
    old.close();
    ASSERT_TRUE(QFile::setPermissions(maps, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ReadOther | QFileDevice::ExeOther));
    if (writable_as_nobody(maps)) GTEST_SKIP() << "this system lets every user write the folder";
    const GridCells before = session->cells();

    const QString message = save_to(target, true);
    QFile::setPermissions(maps,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_TRUE(message.startsWith("The variable map could not be saved to " + target))
        << message.toStdString();
    EXPECT_TRUE(message.contains("Permission denied")) << message.toStdString();
    EXPECT_TRUE(message.endsWith("Nothing was changed.")) << message.toStdString();
    EXPECT_EQ(contents(target), kOldMap);
    EXPECT_EQ(files_in(maps), QStringList{"counter.csv"});
    EXPECT_EQ(changed_cells(before, session->cells()), QStringList());
}

TEST_F(SaveDrill, SaveOntoAFullDiskKeepsTheOldFileAndSucceedsOnceThereIsRoom) {
    const QString target = folder.filePath("counter.csv");
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(kOldMap);
    old.close();
    const GridCells before = session->cells();

    QString message;
    {
        FileSizeLimit full_after(1000);  // a map file is at least 1600 bytes
        message = save_to(target);
    }
    EXPECT_TRUE(message.startsWith("The variable map could not be saved to " + target))
        << message.toStdString();
    EXPECT_TRUE(message.contains("File too large")) << message.toStdString();
    EXPECT_EQ(contents(target), kOldMap);
    EXPECT_EQ(files_in(folder.path()), QStringList{"counter.csv"});
    EXPECT_EQ(changed_cells(before, session->cells()), QStringList());

    // With room again, the same save writes every cell.
    EXPECT_EQ(save_to(target), QString());
    const QByteArray saved = contents(target);
    const std::vector<std::string> fields = read_map_fields(
        std::string_view(saved.constData(), static_cast<std::size_t>(saved.size())));
    EXPECT_EQ(GridCells(fields.begin(), fields.end()), before);
    EXPECT_EQ(files_in(folder.path()), QStringList{"counter.csv"});
}

}  // namespace
}  // namespace halvane::drills
