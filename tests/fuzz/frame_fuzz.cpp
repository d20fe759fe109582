// libFuzzer target: any byte stream through the frame assembler, validation,
// classification and every reply decoder. Built with -DZR_FUZZ=ON and clang.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/ReceiverRow.h"
#include "logs/LogConvert.h"
#include "logs/LogFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zr::CFrameAssembler assembler;
    for (size_t i = 0; i < size; ++i) {
        if (!assembler.Feed(data[i]))
            continue;
        const zr::FrameHeader h = assembler.Validate();
        zr::ReplySlot slot{};
        if (h.kind < zr::kKindCount)
            std::memcpy(slot.data(), assembler.Buffer(), static_cast<size_t>(zr::ReplyLength(h.kind)));
        (void)zr::DecodeF1(slot.data());
        (void)zr::DecodeF2(slot.data());
        (void)zr::DecodeF4(slot.data());
        (void)zr::VersionCellText(slot.data(), true);
        (void)zr::IdCellText(slot.data());
        (void)zr::BandCodeFromModel(slot.data());
        zr::StateRecord rec{};
        std::memcpy(rec.data(), slot.data(), rec.size());
        (void)zr::FormatReceiverRow(rec, 0);
        (void)zr::StateRecordFromF4(slot.data());
    }
    if (size >= 32) {
        int reason = 0;
        (void)zr::CheckLogHeader(zr::kLogNorm, data, reason);
        std::string text;
        zr::AppendHeaderLines(text, data);
        const zr::LogRecord r = zr::ParseLogRecord(data);
        zr::AppendFirstRecordLines(text, r);
        zr::AppendDataLine(text, r);
    }
    return 0;
}
