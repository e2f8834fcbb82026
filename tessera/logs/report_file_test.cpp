// Writing a report file: exactly the text plus CR LF, and a save that fails leaves
// what was there before untouched and says why.
#include "tessera/logs/report_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

#include "common/prompts.h"

namespace tessera::logs {
namespace {

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

TEST(ReportFileTest, TheFileHoldsTheTextAndOneCrLf) {
  QTemporaryDir dir;
  const struct {
    const char* name;
    std::string_view text;
    QByteArray file;
  } cases[] = {
      {"empty.txt", "", "\r\n"},
      {"one.txt", "Block #1 polled at MC=0x00001240\r\n  No Items\r\n",
       "Block #1 polled at MC=0x00001240\r\n  No Items\r\n\r\n"},
      {"no extension", "x\r\n", "x\r\n\r\n"},
  };
  for (const auto& c : cases) {
    common::ScriptedPrompts prompts;
    const QString path = dir.filePath(c.name);
    EXPECT_TRUE(SaveReport(prompts, path, c.text)) << c.name;
    EXPECT_EQ(Contents(path), c.file) << c.name;
    EXPECT_TRUE(prompts.shown().empty());
    EXPECT_EQ(prompts.max_busy_depth(), 1);  // the hourglass while writing
    EXPECT_EQ(prompts.busy_depth(), 0);
  }
  // Saving over a report replaces it whole.
  common::ScriptedPrompts prompts;
  EXPECT_TRUE(SaveReport(prompts, dir.filePath("one.txt"), "y"));
  EXPECT_EQ(Contents(dir.filePath("one.txt")), "y\r\n");
}

TEST(ReportFileTest, AFailedSaveSaysWhyAndLeavesTheEarlierFile) {
  QTemporaryDir dir;
  const QString earlier = dir.filePath("report.txt");
  {
    QFile file(earlier);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("earlier report\r\n\r\n");
  }
  // The disk fills up halfway: files may not grow past 1 000 bytes for a moment.
  const std::string text(5000, 'x');
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 1000;
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  common::ScriptedPrompts prompts;
  const bool saved_ok = SaveReport(prompts, earlier, text);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(Contents(earlier), "earlier report\r\n\r\n");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"report.txt"});  // no leftovers

  const struct {
    const char* what;
    QString path;
  } failures[] = {{"full disk", earlier},
                  {"no such folder", dir.filePath("missing/report.txt")},
                  {"a folder", dir.path()}};
  for (const auto& f : failures) {
    common::ScriptedPrompts box;
    if (f.path == earlier) {
      ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
      std::signal(SIGXFSZ, SIG_IGN);
    }
    EXPECT_FALSE(SaveReport(box, f.path, text)) << f.what;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    ASSERT_EQ(box.shown().size(), 1u) << f.what;
    const common::Message& message = box.shown()[0];
    EXPECT_EQ(message.title, "Tessera");
    EXPECT_EQ(message.icon, common::Icon::kWarning);  // the exclamation mark
    EXPECT_EQ(message.buttons, common::Buttons::kOk);
    EXPECT_FALSE(message.text.isEmpty()) << f.what;  // the system's own words
  }
  EXPECT_EQ(Contents(earlier), "earlier report\r\n\r\n");
}

}  // namespace
}  // namespace tessera::logs
