// Writing a report file over an earlier one: replaced whole on success; on failure
// (disk full, no such folder, a folder) left as it was, with the system's reason.
#include "tessera/session/report_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "common/testing/scripted_prompts.h"

namespace tessera::logs {
namespace {

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// Files may not grow past 1 000 bytes while it lives: the disk is full for them.
struct FullDisk {
  FullDisk() : handler(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small{1000, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);
  }
  rlimit saved{};
  void (*handler)(int);
};

TEST(ReportFileTest, ASaveReplacesTheEarlierReportOrLeavesItAsItWas) {
  QTemporaryDir dir;
  const QString earlier = dir.filePath("report.txt");
  common::ScriptedPrompts first;
  ASSERT_TRUE(SaveReport(first, earlier, "earlier report\r\n"));
  // The hourglass while writing, and back.
  EXPECT_EQ(std::tuple(first.max_busy_depth(), first.busy_depth()), std::tuple(1, 0));

  const std::string text(5000, 'x');
  // On a full disk, then into a folder's path.
  for (const QString& path : {earlier, dir.path()}) {
    common::ScriptedPrompts box;
    {
      std::optional<FullDisk> full;
      if (path == earlier) full.emplace();
      EXPECT_FALSE(SaveReport(box, path, text)) << path.toStdString();
    }
    ASSERT_EQ(box.shown().size(), 1u);
    // The system's own words, and which file.
    const common::Message& m = box.shown()[0];
    EXPECT_EQ(std::tuple(m.title, m.icon, m.buttons, m.text.isEmpty(), m.detail, Contents(earlier)),
              std::tuple(QString("Tessera"), common::Icon::kWarning, common::Buttons::kOk, false,
                         path, QByteArray("earlier report\r\n\r\n")));
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"report.txt"});  // no leftovers
  common::ScriptedPrompts last;
  EXPECT_TRUE(SaveReport(last, earlier, "y"));
  EXPECT_EQ(Contents(earlier), "y\r\n");
}

// A writable report in a folder the user cannot write to. Root writes into any folder:
// run as root, the save runs in a forked child that has become "nobody".
TEST(ReportFileTest, AWritableFileInAFolderTheUserCannotWriteIsOverwrittenInPlace) {
  QTemporaryDir dir;
  const QString path = dir.filePath("report.txt");
  common::ScriptedPrompts prompts;
  ASSERT_TRUE(SaveReport(prompts, path, "earlier"));
  ::chmod(qPrintable(path), 0666);
  ::chmod(qPrintable(dir.path()), 0555);
  const auto save = [&] { return SaveReport(prompts, path, "later"); };
  bool saved = ::geteuid() != 0 && save();
  if (::geteuid() == 0) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && save() ? 0 : 1);
    int status = 1;
    saved = ::waitpid(child, &status, 0) == child && status == 0;
  }
  EXPECT_TRUE(saved);
  EXPECT_EQ(Contents(path), "later\r\n");
  ::chmod(qPrintable(dir.path()), 0700);
}

}  // namespace
}  // namespace tessera::logs
