#include "common/widgets/trace_model.h"

#include <QBrush>
#include <QColor>
#include <algorithm>
#include <utility>

namespace common {
namespace {

// Failures stand out: dark red on pale red, besides the "FAIL" that starts their
// outcome for a screen reader and on paper.
const QColor kFailureText(150, 0, 0);
const QColor kFailureBackground(255, 226, 226);

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TraceModel::TraceModel(QObject* parent, std::size_t max_records, std::size_t max_bytes)
    : QAbstractListModel(parent), ring_(max_records, max_bytes), waiting_(max_records, max_bytes) {
  update_timer_.setSingleShot(true);
  update_timer_.setInterval(kUpdateIntervalMs);
  connect(&update_timer_, &QTimer::timeout, this, &TraceModel::Update);
}

TraceModel::~TraceModel() = default;

void TraceModel::OnTrace(const TraceRecord& record) {
  evicted_ += waiting_.Push(record);
  // One timer for a batch; none at all while nothing comes. Paused, the batch only
  // refreshes the count of what waits.
  if (!update_timer_.isActive()) update_timer_.start();
}

int TraceModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

const TraceRecord* TraceModel::RecordAt(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return nullptr;
  return ring_.Find(rows_[static_cast<std::size_t>(row)]);
}

QVariant TraceModel::data(const QModelIndex& index, int role) const {
  const TraceRecord* record = RecordAt(index.row());
  if (record == nullptr || index.column() != 0) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return Text(TraceListText(*record));
    case Qt::ToolTipRole:
      return Text(TraceLine(*record));
    case Qt::AccessibleDescriptionRole:
      return record->Failed() ? QStringLiteral("failure") : QString();
    case Qt::ForegroundRole:
      return record->Failed() ? QVariant(QBrush(kFailureText)) : QVariant();
    case Qt::BackgroundRole:
      return record->Failed() ? QVariant(QBrush(kFailureBackground)) : QVariant();
    default:
      return {};
  }
}

bool TraceModel::Shows(const TraceRecord& record) const {
  if (record.Failed()) return true;
  if (filter_.failures_only) return false;
  return !(filter_.hide_routine && record.routine);
}

void TraceModel::Update() {
  update_timer_.stop();
  if (paused_) {
    emit CountsChanged();
    return;
  }
  if (waiting_.Empty()) return;
  const std::uint64_t first_new = ring_.EndNumber();
  for (std::size_t i = 0; i < waiting_.Size(); ++i) evicted_ += ring_.Push(waiting_.At(i));
  waiting_.Clear();

  std::size_t gone = 0;
  while (gone < rows_.size() && rows_[gone] < ring_.FirstNumber()) ++gone;
  std::deque<std::uint64_t> added;
  for (std::uint64_t n = std::max(first_new, ring_.FirstNumber()); n < ring_.EndNumber(); ++n) {
    const TraceRecord& record = *ring_.Find(n);
    if (Shows(record)) added.push_back(n);
    std::string text = TraceListText(record);
    if (text.size() > longest_text_.size()) longest_text_ = std::move(text);
  }
  const std::size_t old_rows = rows_.size();
  const std::size_t new_rows = old_rows - gone + added.size();
  const auto move_up = [&] {
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(gone));
    rows_.insert(rows_.end(), added.begin(), added.end());
  };
  if (gone == 0) {
    if (!added.empty()) {
      beginInsertRows({}, static_cast<int>(old_rows), static_cast<int>(new_rows) - 1);
      move_up();
      endInsertRows();
    }
  } else {
    // The oldest rows went and new ones came: every row shows the record below it.
    // Told so, with rows added or taken only at the end, a full list is not cut at
    // the top for the view on every batch.
    if (new_rows < old_rows) {
      beginRemoveRows({}, static_cast<int>(new_rows), static_cast<int>(old_rows) - 1);
      move_up();
      endRemoveRows();
    } else if (new_rows > old_rows) {
      beginInsertRows({}, static_cast<int>(old_rows), static_cast<int>(new_rows) - 1);
      move_up();
      endInsertRows();
    } else {
      move_up();
    }
    const std::size_t changed = std::min(old_rows, new_rows);
    if (changed > 0) emit dataChanged(index(0), index(static_cast<int>(changed) - 1));
  }
  emit CountsChanged();
}

void TraceModel::Rebuild() {
  beginResetModel();
  rows_.clear();
  for (std::uint64_t n = ring_.FirstNumber(); n < ring_.EndNumber(); ++n) {
    if (Shows(*ring_.Find(n))) rows_.push_back(n);
  }
  endResetModel();
  emit CountsChanged();
}

void TraceModel::SetFilter(Filter filter) {
  if (filter.failures_only == filter_.failures_only && filter.hide_routine == filter_.hide_routine)
    return;
  filter_ = filter;
  Rebuild();
}

void TraceModel::SetPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (!paused_) Update();
  emit CountsChanged();
}

void TraceModel::Clear() {
  update_timer_.stop();
  waiting_.Clear();
  ring_.Clear();
  evicted_ = 0;
  longest_text_.clear();
  Rebuild();
}

std::string TraceModel::FileText() const {
  std::string text;
  const auto add = [&text](const TraceRing& ring) {
    for (std::size_t i = 0; i < ring.Size(); ++i) {
      text += TraceLine(ring.At(i));
      text += kTraceLineEnd;
    }
  };
  add(ring_);
  add(waiting_);
  return text;
}

}  // namespace common
