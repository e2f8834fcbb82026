// What the link trace calls the unit's requests: the routine that sends each one
// (SendInputFrame, ReadEvents ...), or for the flash loader the operation as the
// Flash Tools menu names it ("Program Record"). Also how the unit's own end of the
// line sees a block, for tbx-sim's trace.
#pragma once

#include "common/core/trace_record.h"
#include "tessera/core/frame.h"

namespace tessera {

// By the command code (and the loader's operation code); a code the unit does not
// know is named by its value ("Command 5A"). The poll's own requests (input, status,
// output, identify) are routine.
common::TraceName RequestTraceName(ByteView request);

// A block as the unit saw it: what it received (a request, good when its checksum
// holds) or what it sent (an answer, named by the command code it carries, and
// marked when it went out with a wrong checksum).
common::TraceRecord UnitSideRecord(common::TraceDirection direction, ByteView bytes);

}  // namespace tessera
