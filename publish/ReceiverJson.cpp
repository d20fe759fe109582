#include "publish/ReceiverJson.h"

#include "link/ReplyFields.h"
#include "platform/JsonText.h"

namespace zr {

namespace {

std::string Trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

} // namespace

std::string ReceiverRowFields(const RowTexts& cells, const std::string& port, int32_t frequencyKhz)
{
    static const char* const keys[kColumnCount] = {"no", "bank", "channel", "frequency_khz", "encryption", "code", "fbs", "eq", "status"};
    std::string line = "\"no\": " + cells[0] + ", \"port\": " + JsonString(port);
    for (int c = 1; c < kColumnCount; ++c) {
        const std::string value = c == 3 ? (frequencyKhz > 0 ? std::to_string(frequencyKhz) : "null") : JsonString(Trimmed(cells[static_cast<std::size_t>(c)]));
        line += std::string(", \"") + keys[c] + "\": " + value;
    }
    return line;
}

int32_t ShownFrequencyKhz(const StateRecord& record, const RowTexts& cells)
{
    return cells[3].find("---") == std::string::npos ? ReadReplyField(record.data(), F0Field::Frequency, 0) : 0;
}

} // namespace zr
