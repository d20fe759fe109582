// Hot paths of the link: reassembling frames from the byte stream, decoding
// replies, formatting table rows. Each is printed next to a copy of the same
// bytes as the baseline, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "link/Commands.h"
#include "link/Frame.h"
#include "link/ReceiverRow.h"
#include "logs/LogConvert.h"

namespace {

std::vector<uint8_t> Stream()
{
    std::vector<uint8_t> s;
    const char* body = "F40034560FA5740753";
    for (int i = 0; i < 1000; ++i) {
        s.push_back(0x02);
        unsigned sum = 0x02 + 0x03;
        for (const char* p = body; *p; ++p) {
            s.push_back(static_cast<uint8_t>(*p));
            sum += static_cast<uint8_t>(*p);
        }
        s.push_back(0x03);
        s.push_back(static_cast<uint8_t>((256 - sum % 256) % 256));
        s.push_back(0x00);
    }
    return s;
}

void BM_CopyBaseline(benchmark::State& state)
{
    const auto s = Stream();
    std::vector<uint8_t> out(s.size());
    for (auto _ : state) {
        std::memcpy(out.data(), s.data(), s.size());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_CopyBaseline);

void BM_AssembleAndValidate(benchmark::State& state)
{
    const auto s = Stream();
    for (auto _ : state) {
        zr::CFrameAssembler a;
        int valid = 0;
        for (uint8_t b : s)
            if (a.Feed(b))
                valid += a.Validate().status == 0;
        benchmark::DoNotOptimize(valid);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s.size()));
}
BENCHMARK(BM_AssembleAndValidate);

void BM_DecodeF4(benchmark::State& state)
{
    const char* reply = "F40034560FA5740753";
    for (auto _ : state)
        benchmark::DoNotOptimize(zr::DecodeF4(reinterpret_cast<const uint8_t*>(reply)));
}
BENCHMARK(BM_DecodeF4);

void BM_FormatRow(benchmark::State& state)
{
    zr::StateRecord r{};
    std::memcpy(r.data(), "F00A38061250212", 15);
    for (auto _ : state)
        benchmark::DoNotOptimize(zr::FormatReceiverRow(r, 3));
}
BENCHMARK(BM_FormatRow);

void BM_ConvertDataLine(benchmark::State& state)
{
    zr::LogRecord rec;
    rec.time = 133600000000000000LL;
    rec.row[2] = 0x40, rec.row[7] = 62, rec.row[6] = 40, rec.row[10] = 0x1F;
    std::string out;
    for (auto _ : state) {
        out.clear();
        zr::AppendDataLine(out, rec);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_ConvertDataLine);

} // namespace

BENCHMARK_MAIN();
