// Writing a report file over an earlier one: replaced whole on success; on failure
// (disk full, no such folder, a folder) left as it was, with the system's reason.
#include "tessera/logs/report_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <functional>

#include "common/prompts.h"

namespace tessera::logs {
namespace {

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Files may not grow past 1 000 bytes while it lives: the disk is full for them.
class FullDisk {
 public:
  FullDisk() {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit small = saved_;
    small.rlim_cur = 1000;
    handler_ = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, handler_);
  }

 private:
  rlimit saved_{};
  void (*handler_)(int) = nullptr;
};

TEST(ReportFileTest, ASaveReplacesTheEarlierReportOrLeavesItAsItWas) {
  QTemporaryDir dir;
  const QString earlier = dir.filePath("report.txt");
  common::ScriptedPrompts first;
  ASSERT_TRUE(SaveReport(first, earlier, "earlier report\r\n"));
  EXPECT_EQ(first.max_busy_depth(), 1);  // the hourglass while writing, and back
  EXPECT_EQ(first.busy_depth(), 0);

  const std::string text(5000, 'x');
  const struct {
    const char* what;
    QString path;
    bool full_disk;
  } failures[] = {{"full disk", earlier, true},
                  {"no such folder", dir.filePath("missing/report.txt"), false},
                  {"a folder", dir.path(), false}};
  for (const auto& f : failures) {
    common::ScriptedPrompts box;
    {
      std::optional<FullDisk> full;
      if (f.full_disk) full.emplace();
      EXPECT_FALSE(SaveReport(box, f.path, text)) << f.what;
    }
    ASSERT_EQ(box.shown().size(), 1u) << f.what;
    const common::Message& message = box.shown()[0];
    EXPECT_EQ(message.title, "Tessera");
    EXPECT_EQ(message.icon, common::Icon::kWarning);  // the exclamation mark
    EXPECT_EQ(message.buttons, common::Buttons::kOk);
    EXPECT_FALSE(message.text.isEmpty()) << f.what;  // the system's own words
    EXPECT_EQ(message.detail, f.path);               // and which file
    EXPECT_EQ(Contents(earlier), "earlier report\r\n\r\n") << f.what;
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"report.txt"});  // no leftovers
  common::ScriptedPrompts last;
  EXPECT_TRUE(SaveReport(last, earlier, "y"));
  EXPECT_EQ(Contents(earlier), "y\r\n");
}

// Runs `save` as a user without root (root writes into any folder): a forked child
// that becomes "nobody" when the test runs as root. True when `save` returned true.
bool SavedAsUser(const std::function<bool()>& save) {
  if (::geteuid() != 0) return save();
  const pid_t child = ::fork();
  if (child == 0) {
    const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && save();
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

TEST(ReportFileTest, AWritableFileInAFolderTheUserCannotWriteIsOverwrittenInPlace) {
  QTemporaryDir dir;
  const QString path = dir.filePath("report.txt");
  common::ScriptedPrompts prompts;
  ASSERT_TRUE(SaveReport(prompts, path, "earlier"));
  QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ReadOther | QFileDevice::WriteOther);
  QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                        QFileDevice::ReadOther | QFileDevice::ExeOther);
  EXPECT_TRUE(SavedAsUser([&] { return SaveReport(prompts, path, "later"); }));
  EXPECT_EQ(Contents(path), "later\r\n");
  QFile::setPermissions(dir.path(),
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

}  // namespace
}  // namespace tessera::logs
