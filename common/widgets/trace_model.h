// The records of a link trace as a list for a view: the last 100 000 kept, the
// failures marked in colour and in words, filters for failures only and for hiding
// the routine polls. Records come in one at a time from the tap and reach the view
// in batches a few times a second, so a window showing a full trace does not slow
// the poll; while paused the list holds still and new records wait.
#pragma once

#include <QAbstractListModel>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <string>

#include "common/core/link_tap.h"
#include "common/core/trace_ring.h"

namespace common {

class TraceModel : public QAbstractListModel, public TraceListener {
  Q_OBJECT
 public:
  // How often new records reach the list.
  static constexpr int kUpdateIntervalMs = 200;

  struct Filter {
    bool failures_only = false;
    // The poll's own requests and their good answers; their failures still show.
    bool hide_routine = false;
  };

  explicit TraceModel(QObject* parent = nullptr, std::size_t max_records = TraceRing::kMaxRecords,
                      std::size_t max_bytes = TraceRing::kMaxBytes);
  ~TraceModel() override;

  void OnTrace(const TraceRecord& record) override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  void SetFilter(Filter filter);
  Filter CurrentFilter() const { return filter_; }
  // While paused the list stays as it is; records keep coming and wait (the last
  // 100 000 of them) until Resume.
  void SetPaused(bool paused);
  bool Paused() const { return paused_; }
  // Forgets every record, shown and waiting.
  void Clear();
  // Puts the waiting records into the list now (the timer does it otherwise).
  void Update();

  // Records kept (shown or filtered out), and those waiting to be added.
  std::size_t Kept() const { return ring_.Size(); }
  std::size_t Waiting() const { return waiting_.Size(); }
  // Records that gave way to newer ones since the last Clear.
  std::uint64_t Evicted() const { return evicted_; }
  // The longest row text since the last Clear: the list is made as wide.
  const std::string& LongestText() const { return longest_text_; }
  // The record a row shows, or null.
  const TraceRecord* RecordAt(int row) const;
  // The whole trace, kept and waiting records alike, filters ignored: what a saved
  // trace holds, one line per record, each ending in CR LF.
  std::string FileText() const;

 signals:
  // The counts changed (records added, dropped, cleared, a filter or pause changed).
  void CountsChanged();

 private:
  bool Shows(const TraceRecord& record) const;
  void Rebuild();

  TraceRing ring_;
  TraceRing waiting_;
  std::deque<std::uint64_t> rows_;  // numbers of the records shown, oldest first
  Filter filter_;
  std::uint64_t evicted_ = 0;
  std::string longest_text_;
  bool paused_ = false;
  QTimer update_timer_;
};

}  // namespace common
