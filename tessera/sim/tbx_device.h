// The whole simulated TBX as the programs and tbx-sim serve it: the unit model with
// its configuration tables, event log, transition buffer and flash loader.
#pragma once

#include <memory>

#include "common/core/device_model.h"
#include "tessera/sim/tbx_loader.h"
#include "tessera/sim/tbx_logs.h"
#include "tessera/sim/tbx_model.h"
#include "tessera/sim/tbx_tables.h"

namespace tessera::sim {

class TbxDevice : public common::DeviceModel {
 public:
  // Transitions waiting in a new device: three blocks' worth, so "Get Block" has
  // something to show.
  static constexpr std::size_t kDemoTransitions = 45;

  explicit TbxDevice(TbxOptions options = {}, TbxLoaderOptions loader = {});

  common::DeviceReply Receive(ByteView bytes) override { return model_.Receive(bytes); }

  TbxModel& Model() { return model_; }
  TbxTables& Tables() { return *tables_; }
  TbxEventLog& EventLog() { return *event_log_; }
  TbxTransitions& Transitions() { return *transitions_; }
  TbxLoader& Loader() { return loader_; }

 private:
  TbxModel model_;
  std::shared_ptr<TbxTables> tables_;
  std::shared_ptr<TbxEventLog> event_log_;
  std::shared_ptr<TbxTransitions> transitions_;
  TbxLoader loader_;
};

}  // namespace tessera::sim
