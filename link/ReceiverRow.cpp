#include "link/ReceiverRow.h"

#include <cstdio>
#include <cstring>

#include "link/Commands.h"
#include "link/ReplyFields.h"

namespace zr {

const char* const kColumnHeaders[kColumnCount] = {"No.", "Bank", "Channel", "Freq.[MHz]", "Encryption", "Code", "FBS", "EQ", "Status"};

namespace {

std::string HexOrDash(int32_t v)
{
    if (v == -1)
        return " - ";
    char t[16];
    std::snprintf(t, sizeof t, "%X", static_cast<unsigned>(v));
    return t;
}

std::string OnOff(int32_t v)
{
    return v == 1 ? "On" : v == 0 ? "Off" : " - ";
}

std::string EqText(int32_t v)
{
    static const char* const names[] = {"  Off  ", "QR-7100", "LB-3300", "LB-3310", "NS-9100P", "NS-9100R"};
    return v >= 0 && v <= 5 ? names[v] : "    -    ";
}

std::string StatusText(int32_t v)
{
    static const char* const names[] = {"     -      ", "Comm Error  ", "Walk-test   ", "Logging     ", "Starting    ", "Ch scan (Rx)", "Ch scan (PC)", "Sp scan     "};
    return v >= 0 && v <= 7 ? names[v] : "undefined";
}

} // namespace

RowTexts FormatReceiverRow(const StateRecord& r, int rowIndex)
{
    const uint8_t* c = r.data();
    const int32_t state = ReadReplyField(c, F0Field::State);
    int32_t bank = ReadReplyField(c, F0Field::Bank);
    int32_t channel = ReadReplyField(c, F0Field::Channel);
    int32_t freq = ReadReplyField(c, F0Field::Frequency);
    int32_t encryption = ReadReplyField(c, F0Field::Encryption);
    int32_t code = ReadReplyField(c, F0Field::Code);
    int32_t fbs = ReadReplyField(c, F0Field::Fbs);
    int32_t eq = ReadReplyField(c, F0Field::Eq);

    switch (state) {
    case 1: case 2: case 5: case 6: case 7:
        bank = channel = -1;
        freq = 0;
        [[fallthrough]];
    case 3:
        code = -1;
        encryption = fbs = 2;
        eq = 6;
        break;
    default:
        if (encryption == 1)
            code = -1;
        break;
    }

    RowTexts t;
    t[0] = std::to_string(rowIndex + 1);
    t[1] = HexOrDash(bank);
    t[2] = HexOrDash(channel);
    if (freq <= 0) { // none, or a field that could not be read
        t[3] = "  ---.---  ";
    } else {
        char f[32];
        std::snprintf(f, sizeof f, "%03.03f", static_cast<double>(static_cast<float>(freq) / 1000.0f));
        t[3] = f;
    }
    t[4] = OnOff(encryption);
    t[5] = HexOrDash(code);
    t[6] = OnOff(fbs);
    t[7] = EqText(eq);
    t[8] = StatusText(state);
    return t;
}

namespace {

// Reply byte of a field's first character.
uint8_t* At(StateRecord& r, const ReplyField& f)
{
    return r.data() + 2 + f.pos;
}

const uint8_t* At(const uint8_t* reply, const ReplyField& f)
{
    return reply + 2 + f.pos;
}

} // namespace

StateRecord WithState(const StateRecord& record, char state)
{
    StateRecord r = record;
    *At(r, F0Field::State) = static_cast<uint8_t>(state);
    return r;
}

StateRecord StateRecordFromF0(const uint8_t* f0Reply)
{
    StateRecord r{};
    std::memcpy(r.data(), f0Reply, r.size());
    return r;
}

StateRecord StateRecordFromF4(const uint8_t* f4)
{
    StateRecord r{};
    *At(r, F0Field::State) = '3';
    *At(r, F0Field::Bank) = *At(f4, F4Field::Bank);
    *At(r, F0Field::Channel) = *At(f4, F4Field::Channel);
    std::memcpy(At(r, F0Field::Frequency), At(f4, F4Field::Frequency), F0Field::Frequency.width);
    return r;
}

std::vector<int> NumberReceivers(const std::vector<StateRecord>& records)
{
    std::vector<int> pos(records.size(), 0);
    for (std::size_t i = 0; i < records.size(); ++i) {
        int before = 0;
        for (std::size_t j = 0; j < records.size(); ++j) {
            if (j == i)
                continue;
            const uint8_t a1 = *At(records[j].data(), F0Field::Bank), a2 = *At(records[j].data(), F0Field::Channel);
            const uint8_t b1 = *At(records[i].data(), F0Field::Bank), b2 = *At(records[i].data(), F0Field::Channel);
            if (a1 < b1 || (a1 == b1 && a2 < b2) || (a1 == b1 && a2 == b2 && j < i))
                ++before;
        }
        pos[i] = before;
    }
    return pos;
}

} // namespace zr
