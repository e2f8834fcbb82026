// The "Link Trace" window of both programs. A live list of what
// crosses the line (each request, each answer or its absence, bytes that came
// outside an exchange), failures marked, with filters, pause, clear and saving as a
// text file. Modeless; it listens to the link's tap while it is open.
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QTableView;
class QPushButton;

namespace common {

class LinkTap;
class Prompts;
class TraceModel;

class LinkTraceWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr char kTitle[] = "Link Trace";
  static constexpr char kSaveTitle[] = "Save Link Trace As";
  static constexpr char kFileName[] = "Link Trace.txt";

  LinkTraceWindow(LinkTap& tap, Prompts& prompts, QWidget* parent = nullptr);
  ~LinkTraceWindow() override;

  TraceModel& Model() { return *model_; }
  // What the count line says ("1 234 records", "Paused: 5 new records waiting").
  QString CountText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Listen(bool on);
  void ApplyFilter();
  void TogglePause();
  void SaveAs();
  void ShowCounts();
  void FitColumn();

  LinkTap& tap_;
  Prompts& prompts_;
  TraceModel* model_;
  QCheckBox* failures_only_box_;
  QCheckBox* hide_routine_box_;
  QPushButton* pause_button_;
  QPushButton* clear_button_;
  QPushButton* save_as_button_;
  QTableView* trace_view_;
  QLabel* count_label_;
  QLabel* saved_label_;
  bool listening_ = false;
  bool follow_ = true;  // the list keeps the newest record in view
};

}  // namespace common
