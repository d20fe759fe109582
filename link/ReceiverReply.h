#pragma once
// A copy of what one answered poll left in a link's reply store, as the
// controller hands it to the windows, the recorder and the command line.
#include "link/Frame.h"

namespace zr {

struct ReceiverReply {
    int recNo = -1;
    int kind = kUnknownKind;
    ReplySlot reply{}; // the reply of that kind
    ReplySlot state{}; // the F0 reply: state character and settings
    FbsRecords filters{}; // F5 only: the seven stored filter replies
};

} // namespace zr
